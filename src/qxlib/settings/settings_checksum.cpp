#include "qxlib/settings/settings_checksum.h"

#include <fstream>
#include <system_error>
#include <vector>

namespace qx {

std::uint32_t ReflectBits(std::uint32_t value, int n) {
    std::uint32_t result = 0;
    for (int i = 0; i < n; ++i) {
        result = (result << 1) | (value & 1u);
        value >>= 1;
    }
    return result;
}

std::uint32_t CalcCRC32(std::span<const std::uint8_t> bytes) {
    constexpr std::uint32_t kPolynomial = 0x04C11DB7u;
    std::uint32_t reg = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) {
        reg ^= ReflectBits(byte, 8) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            const bool top = (reg & 0x80000000u) != 0;
            reg <<= 1;
            if (top) reg ^= kPolynomial;
        }
    }
    return ReflectBits(reg, 32) ^ 0xFFFFFFFFu;
}

std::uint32_t GetFileCRC32(const std::filesystem::path& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return CalcCRC32({});
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size), 0);
    std::ifstream in(path, std::ios::binary);
    if (in) in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return CalcCRC32(bytes);
}

}  // namespace qx
