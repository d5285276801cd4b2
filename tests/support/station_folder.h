// A station folder for a test that runs the built program: the station and
// the files it reads beside itself (part list, program images, system
// images), copied from the build's program folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace qx::test {

inline void InstallStationProgram(const std::filesystem::path& bin, const std::filesystem::path& station) {
    std::filesystem::create_directories(station);
    for (const auto& e : std::filesystem::directory_iterator(bin)) {
        const std::string name = e.path().filename().string();
        if (name == "fablane" || name == "Flash.ini" || name == "GDP.bin" || name == "satatest.bin" ||
            (name.starts_with("SYS_") && name.ends_with(".bin")))
            std::filesystem::copy_file(e.path(), station / name);
    }
}

// A whole file as bytes; empty when it cannot be read.
inline std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace qx::test
