#include "station/engineering/hex_dump.h"

#include <cstdio>
#include <fstream>

namespace qx::station {

void AddHexDumpLines(std::vector<std::string>& lines, const std::uint8_t* bytes, std::size_t count,
                     std::uint32_t start) {
    lines.reserve(lines.size() + count / 16);
    char line[96];
    for (std::size_t at = 0; at + 16 <= count; at += 16) {
        const std::uint8_t* b = bytes + at;
        const int n = std::snprintf(line, sizeof line,
                                    "%08X  %02X %02X %02X %02X  %02X %02X %02X %02X - %02X %02X %02X %02X  "
                                    "%02X %02X %02X %02X",
                                    static_cast<unsigned>(start + at), b[0], b[1], b[2], b[3], b[4], b[5], b[6],
                                    b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
        lines.emplace_back(line, static_cast<std::size_t>(n));
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
