// The hidden debug pages: console commands, page reads and their dump, the
// integer conversion of the entries and the test list's colours.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/vendor_fixture.h"
#include "ui/scripted_prompter.h"
#include "utility/pages/debug_tool_page.h"
#include "utility/pages/page_text.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

TEST(ConvertInteger, DecimalAndHexadecimalForms) {
    struct Case {
        const char* text;
        std::optional<long long> value;
    };
    const Case cases[] = {
        {"12", 12},      {"0x1F", 31},  {"0X1f", 31},        {"x10", 16},     {"X10", 16},
        {"$ff", 255},    {"-3", -3},    {"", std::nullopt},  {"1a", std::nullopt},
        {"0x", std::nullopt}, {"abc", std::nullopt}, {"99999999999", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(utility::ConvertInteger(c.text), c.value) << c.text;
}

TEST(PageDump, SixteenBytesALine) {
    Bytes page(32 * 512);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(i);
    const Lines lines = utility::PageDumpLines(page, 32);
    ASSERT_EQ(lines.size(), 1024u);
    EXPECT_EQ(lines[0], "<0000>00, 01, 02, 03, 04, 05, 06, 07, || 08, 09, 0A, 0B, 0C, 0D, 0E, 0F");
    EXPECT_EQ(lines[1023], "<3FF0>F0, F1, F2, F3, F4, F5, F6, F7, || F8, F9, FA, FB, FC, FD, FE, FF");
}

// od prints the same bytes, sixteen to a line, in lower case.
TEST(PageDump, AgreesWithOd) {
    Bytes page(512);
    std::uint32_t x = 12345;
    for (std::uint8_t& b : page) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 16);
    TempDir dir;
    std::ofstream(dir.file("page.bin"), std::ios::binary).write(reinterpret_cast<const char*>(page.data()), 512);
    std::FILE* out = ::popen(("od -An -v -tx1 -w16 " + dir.file("page.bin")).c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::vector<std::string> odLines;
    char line[256];
    while (std::fgets(line, sizeof line, out)) odLines.emplace_back(line);
    ::pclose(out);
    const Lines lines = utility::PageDumpLines(page, 1);
    ASSERT_EQ(lines.size(), odLines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string ours;
        for (char c : lines[i].substr(6))
            if (std::isxdigit(static_cast<unsigned char>(c))) ours += static_cast<char>(std::tolower(c));
        std::string theirs;
        for (char c : odLines[i])
            if (std::isxdigit(static_cast<unsigned char>(c))) theirs += c;
        EXPECT_EQ(ours, theirs) << i;
    }
}

TEST(TestList, ColoursByExactText) {
    const std::vector<std::string> subItems = {"Flash", "Failed", "Pass", "failed"};
    EXPECT_EQ(utility::ListViewRMACustomDrawSubItem(subItems, 2).colour, 0x0000FFu);   // red
    EXPECT_TRUE(utility::ListViewRMACustomDrawSubItem(subItems, 2).bold);
    EXPECT_EQ(utility::ListViewRMACustomDrawSubItem(subItems, 3).colour, 0xFF0000u);   // blue
    EXPECT_TRUE(utility::ListViewRMACustomDrawSubItem(subItems, 3).bold);
    EXPECT_EQ(utility::ListViewRMACustomDrawSubItem(subItems, 4).colour, 0u);
    EXPECT_FALSE(utility::ListViewRMACustomDrawSubItem(subItems, 4).bold);
    EXPECT_EQ(utility::ListViewRMACustomDrawSubItem(subItems, 5).colour, 0u);   // fewer sub-items
}

class DebugToolTest : public VendorFixture {
protected:
    void SetUp() override {
        VendorFixture::SetUp();
        FirmwareDrives({kSataSlot});
        config_.BankCount = 2;
    }
    ui::ScriptedPrompter prompter_;
    Bytes work_ = Bytes(128 * 1024, 0);
};

TEST_F(DebugToolTest, ConsoleWritesAndReadsRegisters) {
    std::string edit = "o 1b2 23";
    EXPECT_EQ(utility::DebugEditKeyPress(kSataSlot, 'a', edit, work_), Lines{});
    EXPECT_EQ(edit, "o 1b2 23");
    EXPECT_EQ(utility::DebugEditKeyPress(kSataSlot, 13, edit, work_), (Lines{">>o 1b2 23"}));
    EXPECT_EQ(edit, "");
    const auto blocks = VendorBlocks(kSataSlot);
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(Bytes(blocks.back().begin(), blocks.back().begin() + 8),
              (Bytes{0xFF, 0xE5, 0x85, 0x00, 0x00, 0x01, 0xB2, 0x23}));

    edit = "OUT 1b2 5A";   // only the first character names the command
    utility::DebugEditKeyPress(kSataSlot, 13, edit, work_);
    edit = "i 1b2";
    EXPECT_EQ(utility::DebugEditKeyPress(kSataSlot, 13, edit, work_), (Lines{">>i 1b2", "5Ah"}));
}

TEST_F(DebugToolTest, LbaShowsTheWorkBufferAndMissingTokensDoNothing) {
    work_[2] = 3;
    work_[3] = 1;
    work_[4] = 0x34;
    work_[5] = 0x12;
    EXPECT_EQ(utility::DebugTool(kSataSlot, "lba 100", work_), "(channel,bank,block)=(3,1,0x1234)\n");
    EXPECT_EQ(utility::DebugTool(kSataSlot, "lba", work_), "");
    EXPECT_EQ(utility::DebugTool(kSataSlot, "i", work_), "");
    EXPECT_EQ(utility::DebugTool(kSataSlot, "o 1b2", work_), "");
    EXPECT_EQ(utility::DebugTool(kSataSlot, "", work_), "");
    EXPECT_TRUE(Requests(kSataSlot).empty());
}

TEST_F(DebugToolTest, PageReadsNeedEveryEntry) {
    utility::PageReadEntries entries{"0", "0", "0", "", "", false};
    EXPECT_TRUE(utility::DbgSysReadPageClick(kSataSlot, config_, entries, prompter_).empty());
    EXPECT_TRUE(utility::DbgLDReadPageClick(kSataSlot, config_, entries, prompter_).empty());
    EXPECT_TRUE(Requests(kSataSlot).empty());
    EXPECT_TRUE(prompter_.Texts().empty());

    // The firmware read also needs the block unit, which is not in the check.
    entries.page = "1";
    EXPECT_TRUE(utility::DbgSysReadPageClick(kSataSlot, config_, entries, prompter_).empty());
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"'' is not a valid integer value"}));
    EXPECT_TRUE(Requests(kSataSlot).empty());
}

TEST_F(DebugToolTest, LoaderReadShowsTheRequestedChannel) {
    SetState(kSataSlot, sim::ControllerState::Loader);
    VendorModeOn(kSataSlot);
    {
        auto hold = DriveOf(kSataSlot).Lock();
        Bytes page(8 * 512, 0x5C);
        DriveOf(kSataSlot).Model().nand.Program({2, 1, 7, 3}, page);
    }
    const utility::PageReadEntries entries{"2", "1", "7", "3", "", false};
    const Lines lines = utility::DbgLDReadPageClick(kSataSlot, config_, entries, prompter_);
    ASSERT_EQ(lines.size(), 256u);
    EXPECT_EQ(lines[0], "<0000>5C, 5C, 5C, 5C, 5C, 5C, 5C, 5C, || 5C, 5C, 5C, 5C, 5C, 5C, 5C, 5C");

    const utility::PageReadEntries past{"5", "1", "7", "3", "", false};
    const std::size_t before = Requests(kSataSlot).size();
    EXPECT_TRUE(utility::DbgLDReadPageClick(kSataSlot, config_, past, prompter_).empty());
    EXPECT_EQ(Requests(kSataSlot).size(), before);
}

TEST_F(DebugToolTest, LoaderReadOfChannelCountReadsEveryChannel) {
    ASSERT_EQ(config_.ChannelCount, 4);
    SetState(kSataSlot, sim::ControllerState::Loader);
    VendorModeOn(kSataSlot);
    {
        auto hold = DriveOf(kSataSlot).Lock();
        for (std::uint8_t c = 0; c < 4; ++c)
            DriveOf(kSataSlot).Model().nand.Program({c, 1, 7, 3}, Bytes(8 * 512, static_cast<std::uint8_t>(0x10 + c)));
    }
    const std::size_t before = Requests(kSataSlot).size();
    const utility::PageReadEntries all{"4", "1", "7", "3", "", false};
    const Lines lines = utility::DbgLDReadPageClick(kSataSlot, config_, all, prompter_);
    EXPECT_GT(Requests(kSataSlot).size(), before);
    EXPECT_TRUE(prompter_.Texts().empty());
    // Four pages of 4 KB, channel 0 first, the offsets running on.
    ASSERT_EQ(lines.size(), 4u * 256u);
    for (std::size_t c = 0; c < 4; ++c) {
        SCOPED_TRACE(c);
        const std::string hex = utility::Printf("%2.2X", static_cast<unsigned>(0x10 + c));
        EXPECT_EQ(lines[c * 256], utility::Printf("<%4.4X>", static_cast<unsigned>(c * 4096)) + hex + ", " + hex + ", " + hex +
                                      ", " + hex + ", " + hex + ", " + hex + ", " + hex + ", " + hex + ", || " + hex +
                                      ", " + hex + ", " + hex + ", " + hex + ", " + hex + ", " + hex + ", " + hex +
                                      ", " + hex);
    }
}

}  // namespace
}  // namespace qx::test
