#include <gtest/gtest.h>

#include <sys/stat.h>

#include "settings/file_bytes.h"
#include "station/results/log_directory.h"
#include "station/results/log_file_choice.h"
#include "support/temp_dir.h"

namespace qx::station {
namespace {

std::tm June14() {
    std::tm t{};
    t.tm_year = 2015 - 1900;
    t.tm_mon = 5;
    t.tm_mday = 14;
    return t;
}

TEST(LogFileChoice, SeriesGapsAndLimit) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, long>> files;   // index, size
        int expected;
    };
    const std::vector<Case> cases = {
        {"no file of today yet", {}, 0},
        {"only _000 below the limit", {{0, 82999}}, 0},
        {"only _000 at the limit", {{0, 83000}}, 1},
        {"a gap stops the series", {{0, 83000}, {1, 10}, {3, 10}}, 1},
        {"the last before the gap is full", {{0, 83000}, {1, 90000}, {3, 10}}, 2},
        {"no _000 but later ones", {{1, 10}}, 0},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string logDir = dir.path().string() + "/";
        for (auto [index, size] : c.files) {
            char name[32];
            std::snprintf(name, sizeof name, "20150614_%03d.txt", index);
            test::WriteBytes(dir.path() / name, std::string(static_cast<std::size_t>(size), 'x'));
        }
        ProductionLogFile log;
        SelectProductionLogFile(logDir, June14(), log);
        char expected[32];
        std::snprintf(expected, sizeof expected, "20150614_%03d.txt", c.expected);
        EXPECT_EQ(log.LogFileIndex, c.expected) << c.name;
        EXPECT_EQ(log.LogFileName, logDir + expected) << c.name;
        EXPECT_EQ(log.LogSizeLimit, 83000) << c.name;
        // Choosing writes nothing.
        for (auto [index, size] : c.files) {
            char name[32];
            std::snprintf(name, sizeof name, "20150614_%03d.txt", index);
            EXPECT_EQ(test::ReadBytes(dir.path() / name).size(), static_cast<std::size_t>(size)) << c.name;
        }
    }
}

TEST(LogFileChoice, FolderTextWithoutSeparatorIsAPrefix) {
    test::TempDir dir;
    const std::string logDir = dir.path().string() + "/station%s";
    ProductionLogFile log;
    SelectProductionLogFile(logDir, June14(), log);
    EXPECT_EQ(log.LogFileName, logDir + "20150614_000.txt");
    EXPECT_TRUE(std::filesystem::is_directory(logDir)) << "the folder named by the text is created";
}

TEST(LogFileChoice, MissingFolderIsCreatedOneLevelOnly) {
    test::TempDir dir;
    ProductionLogFile log;
    SelectProductionLogFile(dir.path().string() + "/log/", June14(), log);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "log"));
    try {
        SelectProductionLogFile(dir.path().string() + "/a/b/", June14(), log);
        FAIL() << "no exception";
    } catch (const CannotCreateLogDirectory& e) {
        EXPECT_STREQ(e.what(), "Cannot create log directory.");
    }
}

}  // namespace
}  // namespace qx::station
