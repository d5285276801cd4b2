// Raw dumps: written only while dumps are on, replacing an earlier file, and
// skipped silently where the file cannot be made.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "qxlib/base/debug_dump.h"
#include "qxlib/base/switches.h"
#include "support/temp_dir.h"

namespace qx::test {
namespace {

std::vector<char> FileBytes(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class DebugDumpTest : public ::testing::Test {
protected:
    void TearDown() override { DumpDebugFile = false; }
    TempDir dir_{true};
};

TEST_F(DebugDumpTest, NothingWhileDumpsAreOff) {
    DumpDebugFile = false;
    const char data[] = "abc";
    WriteDebugDump("off.raw", data, 3);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "off.raw"));
}

TEST_F(DebugDumpTest, WritesTheBytesAndReplacesAnEarlierDump) {
    DumpDebugFile = true;
    const char first[] = "first dump, longer";
    const char second[] = {'\0', 'x', '\xFF'};
    WriteDebugDump("InfoPage.raw", first, sizeof first - 1);
    WriteDebugDump("InfoPage.raw", second, sizeof second);
    EXPECT_EQ(FileBytes(dir_.path() / "InfoPage.raw"), std::vector<char>(second, second + 3));
}

TEST_F(DebugDumpTest, FileThatCannotBeMadeIsSkipped) {
    DumpDebugFile = true;
    const char data[] = "abc";
    WriteDebugDump("no_such_folder/x.raw", data, 3);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "no_such_folder"));
}

}  // namespace
}  // namespace qx::test
