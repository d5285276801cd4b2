// The drive's tables read into the slot and its bad blocks counted by
// channel, cell and kind, on a simulated drive with known bad blocks.
#include <gtest/gtest.h>

#include <cstring>

#include "diagnostics/diag_fixture.h"
#include "qxlib/bad_block_counters.h"
#include "qxlib/code_block_tags.h"
#include "qxlib/drive_tables.h"
#include "qxlib/info_page.h"
#include "qxlib/sys_bin_header.h"
#include "qxlib/system_info.h"

namespace qx::test {
namespace {

using Page = std::vector<std::uint8_t>;

Page Tagged(const CodeBlockTag& tag) {
    Page p(4096, 0);
    std::copy(tag.begin(), tag.end(), p.begin());
    return p;
}
void Word(Page& p, std::size_t at, std::uint16_t v) {
    p[at] = static_cast<std::uint8_t>(v);
    p[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
Page LaterBad(std::initializer_list<std::pair<std::uint16_t, std::uint8_t>> entries) {
    Page p = Tagged(kLaterBadTableTag);
    Word(p, 16, static_cast<std::uint16_t>(entries.size()));
    std::size_t at = 32;
    for (const auto& [block, type] : entries) {
        Word(p, at, block);
        p[at + 2] = type;
        at += 4;
    }
    return p;
}

class BadBlockCountTest : public DiagFixture {
protected:
    void SetUp() override {
        DiagFixture::SetUp();
        config_.FlashGeometry.BlocksPerCe = 2048;
        config_.FlashGeometry.PagesPerBlock = 256;
        for (int slot : kBothSlots) {
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            ASSERT_TRUE(s.DefectTable.Allocate(kDefectTableSize));
            ASSERT_TRUE(s.EarlyTable.Allocate(kEarlyTableSize));
            ASSERT_TRUE(s.LaterBadPages.Allocate(kLaterBadPagesSize));
            s.CodeBlocks = {10, 11, 12, 13};
            s.LaterBadBlockFirst = 50;    // block 100
            s.LaterBadBlockOther = 60;    // block 120
            SetState(slot, sim::ControllerState::Firmware);
            PutDriveTables(slot);
            PutMemoryImage(slot);
        }
        VendorModeOn(kSataSlot);
    }
    void TearDown() override {
        for (int slot : kBothSlots) {
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
            s.DefectTable.Release();
            s.EarlyTable.Release();
            s.LaterBadPages.Release();
            s.LaterBadBlockFirst = s.LaterBadBlockOther = 0;
        }
        DiagFixture::TearDown();
    }

    void Put(int slot, std::uint8_t ch, std::uint8_t ce, std::uint16_t block, std::uint16_t page, const Page& p) {
        Drive(slot, [&](sim::DriveModel& m) { m.nand.Program({ch, ce, block, page}, p); });
    }

    // Bad blocks 5..8 in every channel and CE; 5 early-bad at CE 0 and 6 at
    // CE 1; row 0's list ends typing 7 Prog Fail and 8 Erase Fail, row 1's
    // types 5 Ecc Fail and 7 Ecc Over; 6 in row 0 and 8 in row 1 are typed
    // nowhere.
    void PutDriveTables(int slot) {
        Drive(slot, [](sim::DriveModel& m) { m.cfg.badBlocks = {5, 6, 7, 8}; });
        Page info(4096, 0);
        std::memcpy(info.data(), "LDBK BLOCKS V50", 16);
        Put(slot, 0, 0, 10, 0, info);
        Page early = Tagged(kEarlyBadTableTag);
        const std::uint16_t words[] = {0xFB00, 5, 0xFB01, 6 | 0x8000, 0xFE00, 7};
        for (std::size_t k = 0; k < std::size(words); ++k) Word(early, 16 + 2 * k, words[k]);
        for (std::uint8_t ch = 0; ch < 4; ++ch) {
            Page defect = Tagged(kDefectTableTag);
            defect[16] = static_cast<std::uint8_t>(0xD0 + ch);
            Put(slot, ch, 0, 10, 1, defect);
            Put(slot, ch, 0, 10, 2, early);
            Put(slot, ch, 0, 100, 1, LaterBad({{7, 3}}));
            Put(slot, ch, 0, 100, 2, LaterBad({{7, 3}, {8, 4}}));
            Put(slot, ch, 1, 120, 1, LaterBad({{5, 5}, {7, 1}}));
        }
        Put(slot, 0, 0, 10, 4, Tagged(kSystemPageTag));
    }

    // What the firmware shows at memory address 0: its header page, with
    // this drive's geometry and code blocks.
    void PutMemoryImage(int slot) {
        std::vector<std::uint8_t> image(kSystemImageBytes, 0);
        std::memcpy(&image[0x300], "QXSS", 4);
        std::memcpy(&image[0x324], "849", 4);
        DecodeFlashGeometry(config_, config_.FlashGeometry);
        BinFileList bins{};
        ASSERT_TRUE(BuildSysBinHeader(slot, config_, settings_, image));
        ASSERT_TRUE(BuildSysBinGeometry(slot, config_, bins, false, image));
        Drive(slot, [&](sim::DriveModel& m) { m.systemImage = image; });
    }

    std::uint32_t At(const BadBlockCounters& n, std::size_t ch, std::size_t cell, std::size_t kind) {
        return n[BadBlockCounterAt(ch, cell, kind)];
    }

    BinFileList bins_{};
    SystemInfo info_{};
};

TEST_F(BadBlockCountTest, ReadDriveTablesFillsTheSlotBuffers) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        ASSERT_TRUE(ReadDriveTables(slot, config_, buffer_));
        const DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(slot)];
        EXPECT_TRUE(HasCodeBlockTag({s.DefectTable.data() + 3 * 4096, 16}, kDefectTableTag));
        EXPECT_EQ(s.DefectTable.data()[3 * 4096 + 16], 0xD3);
        EXPECT_TRUE(HasCodeBlockTag({s.EarlyTable.data() + 2 * 4096, 16}, kEarlyBadTableTag));
        // Row 0 keeps its newest list page; row 1 (slot 2) its only one.
        const std::uint8_t* row0 = s.LaterBadPages.data() + 1 * 4096;
        EXPECT_TRUE(HasCodeBlockTag({row0, 16}, kLaterBadTableTag));
        EXPECT_EQ(row0[16], 2);
        EXPECT_EQ(s.LaterBadPages.data()[2 * kTablePageBytes + 16], 2);
        EXPECT_EQ(s.LaterBadPages.data()[2 * kTablePageBytes + 32], 5);
    }
}

TEST_F(BadBlockCountTest, WithoutAnInformationPageNothingIsRead) {
    DeviceSlots[kUsbSlot].CodeBlocks = {20, 21, 22, 23};
    std::memset(DeviceSlots[kUsbSlot].EarlyTable.data(), 0x77, 16);
    EXPECT_FALSE(ReadDriveTables(kUsbSlot, config_, buffer_));
    EXPECT_EQ(DeviceSlots[kUsbSlot].EarlyTable.data()[0], 0x77);
}

}  // namespace
}  // namespace qx::test
