// The rule of qxlib/base/switches.h, checked on the sources: no production
// step writes a process-wide switch. Only the settings load (the settings
// folder) assigns them; a step that needs its own value keeps it with its
// slot or its StepContext.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace qx {
namespace {

namespace fs = std::filesystem;

// An assignment or store to one of the switches of switches.h and
// settings_switches.h as a statement of its own, not to a field of the same
// name (s.TransferMode) nor a declaration (std::uint8_t TransferMode = 0).
const std::regex kSwitchWrite(
    R"((^\s*|[;{})]\s*)(DebugToFile|DumpDebugFile|TransferMode|ForcePioTransfer|SkipEarlyBadCount|EnableWorkOrder|)"
    R"(EnSaveDefectTable|EnNoCheckBridge|SataBusMode|EnBatchMode|EnGodMode|FlashIdCheckMask))"
    R"(\s*(=[^=]|\.store\(|\+\+|--|\|=|&=))");

TEST(SwitchWriters, OnlyTheSettingsLoadWritesAProcessWideSwitch) {
    const fs::path lib = fs::path(QX_SOURCE_DIR) / "src" / "qxlib";
    const fs::path settings = lib / "settings";
    std::vector<std::string> writers;
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(lib)) {
        if (!entry.is_regular_file()) continue;
        const fs::path& p = entry.path();
        if (p.extension() != ".cpp" && p.extension() != ".h") continue;
        ++files;
        if (p.parent_path() == settings) continue;
        std::ifstream in(p);
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)
            if (std::regex_search(line, kSwitchWrite))
                writers.push_back(fs::relative(p, lib).string() + ":" + std::to_string(n) + ": " + line);
    }
    EXPECT_GT(files, 100u) << "the library's sources were not found";
    EXPECT_TRUE(writers.empty()) << ::testing::PrintToString(writers);
}

TEST(SwitchWriters, ThePatternSeesAWriteAndNotAFieldOrARead) {
    for (const char* write : {"TransferMode = 2;", "    DumpDebugFile = true;", "TransferMode.store(m);",
                              "if (x) ForcePioTransfer = 1;"})
        EXPECT_TRUE(std::regex_search(std::string(write), kSwitchWrite)) << write;
    for (const char* other : {"s->TransferMode = mode;", "slot.DumpDebugFile = true;", "if (TransferMode == 2)",
                              "    std::uint8_t TransferMode = 0;",
                              "r.TransferMode = TransferModeOf(slot);", "const auto m = TransferMode.load();"})
        EXPECT_FALSE(std::regex_search(std::string(other), kSwitchWrite)) << other;
}

}  // namespace
}  // namespace qx
