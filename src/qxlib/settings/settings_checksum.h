// CRC-32 (ISO-HDLC, as zlib) of a buffer and of a whole file; the station shows
// the settings file's value so an operator can tell two settings apart.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace qx {

// The low n bits of value in reverse order.
std::uint32_t ReflectBits(std::uint32_t value, int n);
// Polynomial 0x04C11DB7, initial all ones, reflected in and out, inverted;
// an empty input gives 0.
std::uint32_t CalcCRC32(std::span<const std::uint8_t> bytes);
// CRC-32 of the file's bytes; a missing file counts as empty, one that exists
// but cannot be read as that many zero bytes.
std::uint32_t GetFileCRC32(const std::filesystem::path& path);

}  // namespace qx
