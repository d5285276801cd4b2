// The utility reads the remap table page with the drive's other tables, and
// writes raw dumps only once its dump flag is on.
#include <gtest/gtest.h>

#include <filesystem>

#include "qxlib/base/switches.h"
#include "tables/table_drive_fixture.h"

namespace qx::test {
namespace {

class UtilityDriveTablesTest : public TableDriveFixture {
protected:
    void SetUp() override {
        TableDriveFixture::SetUp();
        for (int slot : kBothSlots) {
            ASSERT_TRUE(Slot(slot).RemapTablePages.Allocate(kRemapTablePagesSize));
            for (std::uint8_t ch = 0; ch < config_.ChannelCount; ++ch) {
                Page remap(4096, 0);
                remap[0] = 0x3E;
                remap[1] = ch;
                Put(slot, ch, 0, kCodeBlock, 3, remap);
            }
            PutOnEveryChannel(slot, 1, Tagged(kDefectTableTag));
            PutOnEveryChannel(slot, 2, Tagged(kEarlyBadTableTag));
            PutSystem(slot, 1);
        }
    }
    void TearDown() override {
        for (int slot : kBothSlots) Slot(slot).RemapTablePages.Release();
        TableDriveFixture::TearDown();
    }
    static DeviceSlot& Slot(int slot) { return DeviceSlots[static_cast<std::size_t>(slot)]; }
};

TEST_F(UtilityDriveTablesTest, TheRemapPageLandsInItsOwnBuffer) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        ASSERT_TRUE(ReadDriveTables(slot, config_, buffer_));
        const DeviceSlot& s = Slot(slot);
        for (std::uint8_t ch = 0; ch < config_.ChannelCount; ++ch) {
            EXPECT_EQ(s.RemapTablePages.data()[ch * 4096u], 0x3E);
            EXPECT_EQ(s.RemapTablePages.data()[ch * 4096u + 1], ch);
        }
        EXPECT_TRUE(HasCodeBlockTag({s.DefectTable.data(), 16}, kDefectTableTag));
        EXPECT_TRUE(HasCodeBlockTag({s.EarlyTable.data(), 16}, kEarlyBadTableTag));
    }
}

// The utility has no settings file: its configuration comes from the drive
// alone, and is enough to read the drive's tables.
TEST_F(UtilityDriveTablesTest, TheDriveAloneFillsTheConfiguration) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        worker_ = FlashConfig{};
        Slot(slot).CodeBlocks = {};
        ASSERT_TRUE(ReadSystemInfo(slot, worker_, bins_, info_, buffer_));
        EXPECT_EQ(worker_.FlashTypeWord, config_.FlashTypeWord);
        EXPECT_EQ(worker_.ChannelCount, config_.ChannelCount);
        EXPECT_EQ(worker_.EccMode, config_.EccMode);
        EXPECT_EQ(Slot(slot).CodeBlocks, (std::array<std::uint16_t, 4>{kCodeBlock, 11, 12, 13}));
        ASSERT_TRUE(ReadDriveTables(slot, worker_, buffer_));
        EXPECT_EQ(Slot(slot).RemapTablePages.data()[0], 0x3E);
    }
}

// Between two refreshes the slots have no buffers: a table read then
// refuses instead of writing through a released buffer.
TEST_F(UtilityDriveTablesTest, WithoutSlotBuffersNothingIsWritten) {
    FreeDeviceSlotBuffers();
    for (int slot : kBothSlots) EXPECT_FALSE(ReadDriveTables(slot, config_, buffer_)) << slot;
}

TEST_F(UtilityDriveTablesTest, RawDumpsOnlyWithTheDumpFlag) {
    ASSERT_FALSE(DumpDebugFile.load());
    ASSERT_TRUE(ReadDriveTables(kSataSlot, config_, buffer_));
    // The fixture's folder (the current one) holds only the program images.
    for (const auto& entry : std::filesystem::directory_iterator(dir_->path()))
        EXPECT_NE(entry.path().extension(), ".raw") << entry.path().filename();

    DumpDebugFile = true;
    ASSERT_TRUE(ReadDriveTables(kSataSlot, config_, buffer_));
    for (const char* name : {"DefectTable.raw", "EarlyTable.raw", "Remap.raw"}) {
        ASSERT_TRUE(std::filesystem::exists(dir_->file(name))) << name;
        EXPECT_EQ(std::filesystem::file_size(dir_->file(name)), kTablePageBytes) << name;
    }
}

}  // namespace
}  // namespace qx::test
