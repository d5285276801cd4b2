// Firmware and program image files for the station's file checks: texts at
// their byte positions and the checksum that makes a file intact.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace qx::test {

struct ImageTexts {
    std::string programVersion = {};   // 772, 6
    std::string firmwareVersion = {};  // 774, 6 (overlaps the program version in a real image)
    std::string variant = {};          // 809, 2
    std::string info = {};             // 816, 4
    std::string header = {};           // 122, 8, as the file holds it (pairs swapped)
};

inline void Put(std::vector<std::uint8_t>& bytes, std::size_t at, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) bytes[at + i] = static_cast<std::uint8_t>(text[i]);
}

// intact: the byte before the last is 0xA5 and the other bytes sum to 0 mod 256.
inline std::vector<std::uint8_t> ImageBytes(const ImageTexts& t, bool intact = true) {
    std::vector<std::uint8_t> bytes(1024, 0);
    Put(bytes, 122, t.header);
    if (!t.programVersion.empty()) Put(bytes, 772, t.programVersion);
    if (!t.firmwareVersion.empty()) Put(bytes, 774, t.firmwareVersion);
    Put(bytes, 809, t.variant);
    Put(bytes, 816, t.info);
    bytes[bytes.size() - 2] = 0xA5;
    unsigned sum = 0;
    for (std::size_t i = 0; i + 2 < bytes.size(); ++i) sum += bytes[i];
    bytes.back() = static_cast<std::uint8_t>(256 - sum % 256 + (intact ? 0 : 1));
    return bytes;
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qx::test
