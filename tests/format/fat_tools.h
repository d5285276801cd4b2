// The outside tools that check what the formatter wrote, and the small
// file helpers they need (fsck.fat takes no offset, so the volume is copied
// out of the sparse image, extent by extent).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qx::test {

struct ToolResult {
    int exitCode = -1;
    std::string output;      // standard output and error
};

// Runs a shell command line; single-quote the file names in it.
ToolResult RunTool(const std::string& command);

// Copies length bytes at offset of a sparse image into a new sparse file,
// reading only the extents that hold data.
bool CopyVolume(const std::string& image, std::uint64_t offset, std::uint64_t length, const std::string& out);

std::array<std::uint8_t, 512> ReadImageSector(const std::string& image, std::uint64_t lba);

}  // namespace qx::test
