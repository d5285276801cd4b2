// Load and save times of the station's settings file: the file shipped
// beside the program ("QXMPTOOL.ini"; without one, the file a save of the
// defaults writes), and 16 MB files: the same keys after a large section,
// inside a large section, and with one line of 16 MB.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/settings_file.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kLarge = 16u << 20;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

// Best of three: load into a fresh record, then save it to another file.
void Time(const char* what, const fs::path& file, const fs::path& scratch) {
    double load = 1e12, save = 1e12;
    for (int i = 0; i < 3; ++i) {
        auto settings = std::make_unique<qx::GlobalParameter>();
        auto config = std::make_unique<qx::FlashConfig>();
        auto start = Clock::now();
        qx::LoadGlobalParameter(file, *settings, *config);
        load = std::min(load, Ms(start));
        start = Clock::now();
        qx::SaveGlobalParameter(scratch, *settings, *config);
        save = std::min(save, Ms(start));
    }
    std::printf("  %-44s %9.3f MB %10.2f ms load %10.2f ms save\n", what,
                static_cast<double>(fs::file_size(file)) / (1024.0 * 1024.0), load, save);
}

// Lines of "KeyN=N" up to size bytes.
std::string Filler(std::size_t size) {
    std::string text;
    text.reserve(size + 64);
    for (int i = 0; text.size() < size; ++i) text += "FillerKey" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    return text;
}

}  // namespace

int main() {
    const fs::path folder = fs::read_symlink("/proc/self/exe").parent_path();
    const fs::path work = fs::temp_directory_path() / ("qx_settings_bench." + std::to_string(::getpid()));
    fs::create_directories(work);
    qx::SetPcIniPath(work / "pc.ini");

    fs::path shipped = folder / "QXMPTOOL.ini";
    const bool found = fs::exists(shipped);
    if (!found) {
        // What a station writes on its first save.
        auto settings = std::make_unique<qx::GlobalParameter>();
        auto config = std::make_unique<qx::FlashConfig>();
        qx::LoadGlobalParameter(work / "none.ini", *settings, *config);
        shipped = work / "defaults.ini";
        qx::SaveGlobalParameter(shipped, *settings, *config);
    }
    const std::string base = ReadFile(shipped);

    WriteFile(work / "after.ini", base + "\r\n[Filler]\r\n" + Filler(kLarge - base.size()));
    std::string inside = base;
    const std::size_t setting = inside.find("[Setting]\r\n");
    inside.insert(setting == std::string::npos ? 0 : setting + 11,
                  (setting == std::string::npos ? "[Setting]\r\n" : "") + Filler(kLarge - base.size()));
    WriteFile(work / "inside.ini", inside);
    WriteFile(work / "line.ini", "[Setting]\r\nHuge=" + std::string(kLarge, 'h') + "\r\n" + base);

    std::printf("settings file load and save (settings record included):\n");
    Time(found ? "shipped QXMPTOOL.ini" : "defaults as saved (no QXMPTOOL.ini shipped)", shipped, work / "out.ini");
    Time("16 MB: the keys, then a large section", work / "after.ini", work / "out.ini");
    Time("16 MB: 16 MB of lines in [Setting]", work / "inside.ini", work / "out.ini");
    Time("16 MB: one line of 16 MB", work / "line.ini", work / "out.ini");
    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
