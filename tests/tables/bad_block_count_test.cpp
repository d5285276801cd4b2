// The drive's tables read into the slot and its bad blocks counted by
// channel, cell and kind, on a simulated drive with known bad blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "qxlib/tables/bad_block_counters.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/tables/drive_tables.h"
#include "qxlib/programs/info_page.h"
#include "tables/table_drive_fixture.h"

namespace qx::test {
namespace {

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

class BadBlockCountTest : public TableDriveFixture {
protected:
    BadBlockCountTest() { logUse_ = LogUse::Requests; }

    void SetUp() override {
        TableDriveFixture::SetUp();
        for (int slot : kBothSlots) {
            PutDriveTables(slot);
            PutSystem(slot, 1);
        }
    }

    // 5 early-bad at CE 0 and 6 at CE 1 (bit 15 set); 7 lies past the end.
    static Page EarlyPage() {
        Page early = Tagged(kEarlyBadTableTag);
        const std::uint16_t words[] = {0xFB00, 5, 0xFB01, 6 | 0x8000, 0xFE00, 7};
        for (std::size_t k = 0; k < std::size(words); ++k) Word(early, 16 + 2 * k, words[k]);
        return early;
    }

    // Bad blocks 5..8 in every channel and CE; 5 early-bad at CE 0 and 6 at
    // CE 1; row 0's list ends typing 7 Prog Fail and 8 Erase Fail, row 1's
    // types 5 Ecc Fail and 7 Ecc Over; 6 in row 0 and 8 in row 1 are typed
    // nowhere.
    void PutDriveTables(int slot) {
        Drive(slot, [](sim::DriveModel& m) { m.cfg.badBlocks = {5, 6, 7, 8}; });
        const Page early = EarlyPage();
        for (std::uint8_t ch = 0; ch < 4; ++ch) {
            Page defect = Tagged(kDefectTableTag);
            defect[16] = static_cast<std::uint8_t>(0xD0 + ch);
            Put(slot, ch, 0, kCodeBlock, 1, defect);
            Put(slot, ch, 0, kCodeBlock, 2, early);
            Put(slot, ch, 0, 100, 1, LaterBad({{7, 3}}));
            Put(slot, ch, 0, 100, 2, LaterBad({{7, 3}, {8, 4}}));
            Put(slot, ch, 1, 120, 1, LaterBad({{5, 5}, {7, 1}}));
        }
        Put(slot, 0, 0, kCodeBlock, 4, Tagged(kSystemPageTag));
    }

    std::uint32_t At(const BadBlockCounters& n, std::size_t ch, std::size_t cell, std::size_t kind) {
        return n[BadBlockCounterAt(ch, cell, kind)];
    }
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

// The golden count, rereading everything from the drive into the worker's
// own configuration. Per channel: 5 (row 0) and 6 (row 1) early-bad, 7 Prog
// Fail and 8 Erase Fail in row 0, 5 Ecc Fail and 7 Ecc Over in row 1; the
// two blocks typed nowhere are traced and not counted. A channel whose
// early page lacks its tag counts nothing. The controller model 818 counts
// every early-table word instead, and its bad-unit table (count at 0) is
// empty on this drive.
TEST_F(BadBlockCountTest, CountsEveryKindOfEveryChannelOnBothPaths) {
    struct Case {
        const char* name;
        const char* model;
        int untaggedChannel;
        BadBlockTotals totals;
    };
    const Case cases[] = {
        {"per channel", "849", -1, {8, 4, 4, 4, 4, 0, 0}},
        {"per channel, channel 2 untagged", "849", 2, {6, 3, 3, 3, 3, 0, 0}},
        {"bad units", "818", -1, {8, 0, 0, 0, 0, 0, 0}},
        {"bad units, channel 2 untagged", "818", 2, {6, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        for (int slot : kBothSlots) {
            SCOPED_TRACE(testing::Message() << c.name << ", slot " << slot);
            // Channel 2's code block afresh, its early page tagged or not.
            Drive(slot, [](sim::DriveModel& m) { m.nand.Erase(2, 0, kCodeBlock); });
            PutSystem(slot, 1, c.model);
            Page early = EarlyPage();
            if (c.untaggedChannel == 2) early[0] ^= 0xFF;
            Put(slot, 2, 0, kCodeBlock, 1, Tagged(kDefectTableTag));
            Put(slot, 2, 0, kCodeBlock, 2, early);
            worker_ = FlashConfig{};
            ClearLog();

            BadBlockCounters n{};
            BadBlockTotals totals{};
            CountBadBlocksByType(slot, tables_, n, totals, nullptr);
            EXPECT_EQ(totals, c.totals);
            EXPECT_EQ(worker_.ChannelCount, 4);
            const bool perChannel = std::strcmp(c.model, "818") != 0;
            EXPECT_EQ(Traced("err bad block type=99\n"), perChannel);
        }
    }
}

// Each count lands in the cell of the CE row whose table listed the block:
// a later-bad block of row 0 is row 0's, whatever CE the early page ends on.
// Counters already holding counts are added to.
TEST_F(BadBlockCountTest, CountsLandInTheCellOfTheirRow) {
    BadBlockCounters n{};
    n[BadBlockCounterAt(3, 1, kKindEccOver)] = 10;
    BadBlockTotals totals{};
    std::string detail = "before\r\n";
    CountBadBlocksByType(kUsbSlot, tables_, n, totals, &detail);
    for (std::size_t ch = 0; ch < 4; ++ch) {
        SCOPED_TRACE(ch);
        EXPECT_EQ(At(n, ch, 0, kKindEarlyBad), 1u);
        EXPECT_EQ(At(n, ch, 0, kKindProgFail), 1u);
        EXPECT_EQ(At(n, ch, 0, kKindEraseFail), 1u);
        EXPECT_EQ(At(n, ch, 0, kKindEccFail) + At(n, ch, 0, kKindEccOver), 0u);
        EXPECT_EQ(At(n, ch, 1, kKindEarlyBad), 1u);
        EXPECT_EQ(At(n, ch, 1, kKindEccFail), 1u);
        EXPECT_EQ(At(n, ch, 1, kKindEccOver), ch == 3 ? 11u : 1u);
        EXPECT_EQ(At(n, ch, 1, kKindProgFail) + At(n, ch, 1, kKindEraseFail), 0u);
    }
    EXPECT_EQ(totals, (BadBlockTotals{8, 4, 4, 4, 14, 0, 0}));
    EXPECT_EQ(detail,
              "before\r\nErrType 1 (Ecc Over)\r\nErrType 3 (Prog Fail)\r\nErrType 4 (Erase Fail)\r\n"
              "ErrType 5 (Ecc Fail)\r\n");
}

}  // namespace
}  // namespace qx::test
