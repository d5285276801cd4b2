// Hex-dump lines of the flash page and disk sector viewer: 16 bytes a line
// after an eight-digit running offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qx::station {

// Appends count / 16 lines (a short tail is not shown); the offset counts on
// from start.
void AddHexDumpLines(std::vector<std::string>& lines, const std::uint8_t* bytes, std::size_t count,
                     std::uint32_t start);

// Writes the lines with CR LF ends, replacing the file; false when it cannot.
bool SaveDumpLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace qx::station
