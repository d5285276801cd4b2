#include "station/engineering/hex_dump.h"

#include <fstream>

namespace qx::station {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// "%08X  %02X %02X %02X %02X  %02X %02X %02X %02X - %02X %02X %02X %02X  %02X %02X %02X %02X"
constexpr std::size_t kLineLength = 61;
// Where each byte's two digits start; the separators between never change.
constexpr std::size_t kByteAt[16] = {10, 13, 16, 19, 23, 26, 29, 32, 37, 40, 43, 46, 50, 53, 56, 59};
constexpr char kTemplate[] = "00000000  00 00 00 00  00 00 00 00 - 00 00 00 00  00 00 00 00";
static_assert(sizeof kTemplate - 1 == kLineLength);

}  // namespace

void AddHexDumpLines(std::vector<std::string>& lines, const std::uint8_t* bytes, std::size_t count,
                     std::uint32_t start) {
    lines.reserve(lines.size() + count / 16);
    // Formatted by hand: a page read of many megabytes goes through here.
    for (std::size_t at = 0; at + 16 <= count; at += 16) {
        std::string& line = lines.emplace_back(kTemplate, kLineLength);
        const auto offset = static_cast<std::uint32_t>(start + at);
        for (std::size_t d = 0; d < 8; ++d) line[d] = kHexDigits[(offset >> (28 - 4 * d)) & 0xFu];
        for (std::size_t i = 0; i < 16; ++i) {
            line[kByteAt[i]] = kHexDigits[bytes[at + i] >> 4];
            line[kByteAt[i] + 1] = kHexDigits[bytes[at + i] & 0xFu];
        }
    }
}

bool SaveDumpLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) {
        if (!out) break;
        out << line << "\r\n";
    }
    out.close();
    return static_cast<bool>(out);
}

}  // namespace qx::station
