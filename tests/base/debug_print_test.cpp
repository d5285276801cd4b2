#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/named_mutex.h"
#include "platform/trace_sink.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/base/switches.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

class DebugPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetTraceSink([this](std::string_view t) { lines_.emplace_back(t); });
    }
    void TearDown() override {
        platform::SetTraceSink({});
        DebugToFile = false;
    }
    test::TempDir dir_{true};
    std::vector<std::string> lines_;
};

TEST_F(DebugPrintTest, WritesExactlyTheFormattedBytesWithoutAddingALineEnd) {
    DebugToFile = true;
    DebugPrint("FAILED(%s)\r\n", "VA_EnableVendorCmd");
    DebugPrint("n=%d", 7);
    EXPECT_EQ(ReadAll("DbgMsg.txt"), "FAILED(VA_EnableVendorCmd)\r\nn=7");
    EXPECT_EQ(lines_, (std::vector<std::string>{"FAILED(VA_EnableVendorCmd)\r\n", "n=7"}));
}

TEST_F(DebugPrintTest, SwitchOffSendsOnlyToTheDebugOutput) {
    DebugToFile = false;
    DebugPrint("hello\r\n");
    EXPECT_FALSE(std::filesystem::exists("DbgMsg.txt"));
    EXPECT_EQ(lines_.size(), 1u);
}

TEST_F(DebugPrintTest, LongLinesAreCutAt1023Characters) {
    DebugToFile = true;
    const std::string longText(3000, 'x');
    DebugPrint("%s", longText.c_str());
    EXPECT_EQ(ReadAll("DbgMsg.txt"), std::string(1023, 'x'));
}

TEST_F(DebugPrintTest, AppendsWaitForTheNamedMutex) {
    DebugToFile = true;
    platform::NamedMutex held("DBGAcess");
    held.lock();
    std::thread writer([] { DebugPrint("late"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ReadAll("DbgMsg.txt"), "");
    held.unlock();
    writer.join();
    EXPECT_EQ(ReadAll("DbgMsg.txt"), "late");
}

}  // namespace
}  // namespace qx
