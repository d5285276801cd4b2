// A produced drive described in a rack folder's keys alone, read by the
// utility's whole refresh over the real pages: its configuration record
// names the described flash, and the bad-block and erase-count pages list
// every channel and CE with what the description put there.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/rack/drive_config_text.h"
#include "sim/rack/ini_text.h"
#include "utility/drive_page_set.h"
#include "utility/support/utility_rack_fixture.h"

namespace qx::test {
namespace {

// As a rack.ini section reads: a drive the station has produced, with two
// factory bad blocks, two that went bad in use, some wear and two lines of
// console text.
constexpr const char* kDescribed =
    "[drive01]\n"
    "frontEnd=bridge\nchipTag=q455\nstate=firmware\n"
    "systemModel=849\nsystemVersion=3A0151\nsystemVariant=41\n"
    "channels=4\nces=2\nblocksPerCe=2048\npagesPerBlock=256\nsectorsPerPage=8\n"
    "badBlocks=301 1200\neraseCountBase=17\n"
    "laterBadBlocks=2.1.700.4 0.0.33.3\n"
    "uartLog=boot ok%0Aready\n";

class DescribedDriveDump : public UtilityRackFixture {
protected:
    static sim::DriveConfig Described() { return DescribedDrive(kDescribed); }
    void ReadFirstRow() { UtilityRackFixture::ReadFirstRow(drivePages_); }
    utility::DrivePageSet drivePages_;
};

TEST_F(DescribedDriveDump, PagesShowTheDescribedFlashItsBadBlocksAndWear) {
    Add(UsbPath(0), Described());
    ReadFirstRow();
    EXPECT_EQ(view_.Text(utility::EditId::ChannelEdit), "Channel number : 4      Total bank : 2");
    // One row per channel and CE, each with the two factory bad blocks
    // (found again in the early-bad table); the two that went bad in use
    // on their own chip enables, by their error type.
    const auto bad = view_.Lines(utility::MemoId::BadBlockMemo);
    ASSERT_EQ(bad.size(), 15u);
    EXPECT_EQ(bad[4], "CH=00 CE=00     2          0         2          1          0          1          0          0");
    EXPECT_EQ(bad[5], "CH=01 CE=00     2          0         2          0          0          0          0          0");
    EXPECT_EQ(bad[10], "CH=02 CE=01     2          0         2          1          0          0          1          0");
    EXPECT_EQ(bad[13], "SUM            16          0        16          2          0          1          1          0");
    const auto detail = view_.Lines(utility::MemoId::DetalBadInfoMemo);
    EXPECT_NE(std::find(detail.begin(), detail.end(), "CH=2  CE=1  BlockU=0x02bc  ErrType=4"), detail.end());
    EXPECT_NE(std::find(detail.begin(), detail.end(), "CH=0  CE=0  BlockU=0x0021  ErrType=3"), detail.end());
    // Every block of every channel and CE carries the described wear; the
    // code blocks (0-3, CE 0) one erase more, from the pre-format.
    const auto erase = view_.Lines(utility::MemoId::EraseMemo);
    ASSERT_EQ(erase.size(), 2049u);
    EXPECT_EQ(erase[0], "Ch/CE\t[0]/[0]\t[1]/[0]\t[2]/[0]\t[3]/[0]\t[0]/[1]\t[1]/[1]\t[2]/[1]\t[3]/[1]\t");
    EXPECT_EQ(erase[1], "0000\t18\t18\t18\t18\t17\t17\t17\t17\t");
    EXPECT_EQ(erase[2048], "2047\t17\t17\t17\t17\t17\t17\t17\t17\t");
    EXPECT_EQ(view_.Text(utility::EditId::AeraseEdit), "\nAverage erase count = 17\n");
    EXPECT_EQ(view_.Text(utility::EditId::MeraseEdit), "Max. erase count = 18\n\n");
    EXPECT_TRUE(prompter_.Texts().empty());
    // The firmware's console text, line by line from its UART ring.
    EXPECT_EQ(view_.Lines(utility::MemoId::UartLogMemo), (std::vector<std::string>{"boot ok", "[0001, 0000]ready"}));
}

}  // namespace
}  // namespace qx::test
