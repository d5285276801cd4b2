// A drive whose system record names more channels, banks and dies than the
// controller can have, read through the normal refresh on both paths: the
// refresh ends, the two pages that read one table per channel and CE row
// say why they show nothing, and those tables are never asked for.
#include <gtest/gtest.h>

#include "utility/drive_page_set.h"
#include "utility/page_index.h"
#include "utility/support/utility_rack_fixture.h"

namespace qx::test {
namespace {

constexpr std::size_t kFlashTypeHigh = 0x501;   // FlashTypeWord bits 8-15; dies code in bits 9-10
constexpr std::size_t kChannels = 0x503;
constexpr std::size_t kBanks = 0x504;

class GeometryBoundsRefreshTest : public UtilityRackFixture {
protected:
    void Record(sim::SimDrive& d, std::uint8_t channels, std::uint8_t banks, unsigned diesCode) {
        auto hold = d.Lock();
        std::vector<std::uint8_t>& image = d.Model().systemImage;
        ASSERT_GT(image.size(), kBanks);
        image[kChannels] = channels;
        image[kBanks] = banks;
        image[kFlashTypeHigh] = static_cast<std::uint8_t>((image[kFlashTypeHigh] & ~0x06u) | diesCode << 1);
    }
    void ReadFirstRow() {
        utility::UtilityEnvironment env;
        env.ProgramFolder = folder_.path();
        logic_ = std::make_unique<utility::MainFormLogic>(std::move(env), view_, prompter_, drivePages_);
        logic_->FormShow();
        sentBeforeSelect_ = Log().size();
        logic_->ListView1SelectItem(0, true);
    }
    utility::DrivePageSet drivePages_;
    std::size_t sentBeforeSelect_ = 0;

    // Reads a drive whose record says 255 channels x 255 banks x 4 dies.
    void ExpectLineInPlaceOfTables(const sim::DriveConfig& drive) {
        const std::string line =
            "The drive reports 255 channels, 255 banks and 4 dies a CE; the controller has at most 8, 8 and 4. "
            "No table is read.";
        sim::SimDrive& d = Add(UsbPath(0), drive);
        Record(d, 255, 255, 2);
        ReadFirstRow();
        EXPECT_EQ(view_.Text(utility::EditId::ChannelEdit), "Channel number : 255      Total bank : 255");
        EXPECT_EQ(view_.Lines(utility::MemoId::BadBlockMemo), std::vector<std::string>{line});
        EXPECT_EQ(view_.Lines(utility::MemoId::EraseMemo), std::vector<std::string>{line});
        EXPECT_EQ(view_.Text(utility::EditId::AeraseEdit), "");
        EXPECT_TRUE(prompter_.Texts().empty());
        // The refresh ran to its end and read no table per channel and CE
        // row: a handful of requests, not 255 x 255 x 4 of each kind.
        EXPECT_EQ(events_.back(), "ActivePage 0");
        EXPECT_LT(Log().size() - sentBeforeSelect_, 100u);
    }
};

TEST_F(GeometryBoundsRefreshTest, BehindABridge) { ExpectLineInPlaceOfTables(Produced("BRIDGE")); }

TEST_F(GeometryBoundsRefreshTest, OnTheControllersOwnUsb) { ExpectLineInPlaceOfTables(NativeUsb("NATIVE")); }


}  // namespace
}  // namespace qx::test
