// Reading program images and firmware files: bytes at a position, the
// checksum rule, sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qx {

// False when the file cannot be opened or the buffer cannot hold count bytes
// and a NUL. Otherwise the buffer holds count bytes from position, 0xFF for
// every byte past the end of the file, and a NUL after them.
bool ReadFileBytesAt(const std::string& path, std::uint64_t position, std::size_t count, std::span<char> buffer);

// The count characters at position as a text, cut at its first NUL; empty
// when the file cannot be opened.
std::string ReadFileTextAt(const std::string& path, std::uint64_t position, std::size_t count);

// Intact: the byte at size - 2 is 0xA5 and all the other bytes add up to 0
// modulo 256. A missing file or one shorter than two bytes is not intact.
bool CheckBinFileChecksum(const std::string& path);

// Size in bytes, 0 when the file cannot be examined.
std::uint64_t GetFileSizeByStat(const std::string& path);
// Size in KiB, rounded up.
std::uint64_t GetFileSizeInKB(const std::string& path);

// The decimal value of the leading digits; 0 when there are none.
long StrToLong(std::string_view text);

}  // namespace qx
