// What the download learns from the system page: the later-bad list blocks,
// the remap rows of 6 or 12 entries and their marks, and where they go in
// the system firmware's header page.
#include "firmware/firmware_fixture.h"
#include "qxlib/programs/code_block_tags.h"
#include "qxlib/firmware/remap_rows.h"
#include "qxlib/programs/sys_bin_header.h"

namespace qx::test {
namespace {

class RemapRows : public FirmwareFixture {
protected:
    DeviceSlot& S(int slot) { return DeviceSlots[static_cast<std::size_t>(slot)]; }

    // The rows pre-format wrote: entry k of row r is r << 8 | (k + 1), the
    // mark 0x20 + r.
    static Bytes ExpectedRows(unsigned rows, unsigned columns) {
        Bytes b;
        for (unsigned r = 0; r < rows; ++r)
            for (unsigned k = 0; k < columns; ++k) {
                b.push_back(static_cast<std::uint8_t>(k + 1));
                b.push_back(static_cast<std::uint8_t>(r));
            }
        return b;
    }

    // A system page set: the tag on each channel and the given words.
    Bytes SystemPages(const FlashConfig& c, const std::vector<std::pair<std::size_t, std::uint16_t>>& words) {
        const std::size_t pageBytes = std::size_t{c.FlashGeometry.SectorsPerPage} * 512;
        Bytes set(pageBytes * c.ChannelCount, 0);
        for (std::size_t ch = 0; ch < c.ChannelCount; ++ch) {
            std::copy(kSystemPageTag.begin(), kSystemPageTag.end(), set.begin() + static_cast<std::ptrdiff_t>(ch * pageBytes));
            for (const auto& [at, v] : words) put_le16(&set[ch * pageBytes + at], v);
        }
        return set;
    }

    // The header page the download wrote (first bin page, channel 2).
    Bytes HeaderPage(int slot) { return NandPage(slot, 3, 8, 2); }
};

TEST_F(RemapRows, TwelveEntryRowsReachTheSlotAndTheHeaderPage) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        const DeviceSlot& s = S(slot);
        // Two banks of one die: two rows.
        EXPECT_EQ(s.RemapRowMarks, (std::array<std::uint16_t, 8>{0x20, 0x21, 1, 1, 1, 1, 1, 1}));
        EXPECT_EQ(Slice(s.RemapRows, 0, 48), ExpectedRows(2, 12));
        EXPECT_EQ(s.LaterBadBlockFirst, sim::kLaterBadFirstBlock);
        EXPECT_EQ(s.LaterBadBlockOther, sim::kLaterBadOtherBlock);
        EXPECT_EQ(s.LedInterleave, 0x21);

        const Bytes header = HeaderPage(slot);
        EXPECT_EQ(Slice(header, kSysBinRemapRowsAt, 48), ExpectedRows(2, 12));
        EXPECT_EQ(Slice(header, kSysBinGeometryAt + 0x20, 4), Hex("20 21 01 01"));
        EXPECT_EQ(Slice(header, kSysBinGeometryAt + 0x34, 4), Hex("01 01 01 01"));
        EXPECT_EQ(Slice(header, kSysBinGeometryAt + 0x2C, 4), Hex("20 00 22 00"));
        EXPECT_EQ(header[kSysBinGeometryAt + 0x08], 0x21) << "LedInterleave";
        EXPECT_EQ(Slice(header, kSysBinGeometryAt + 0x26, 2), Hex("08 00")) << "first bin page";
    }
}

TEST_F(RemapRows, SixEntryRowsForTheKind42Firmware) {
    Bytes file = ReadFileBytes(kSystemFirmware);
    file[809] = '4';
    file[810] = '2';
    const std::string name = dir_->file("SYS_42.bin");
    WriteFileBytes(name, file);
    ReadBinFileHeader(name);
    ASSERT_EQ(CurrentRemapShape().Kind, 42);
    bins_ = {};
    UseBinFile(name);
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Drive(slot, [](sim::DriveModel& m) { m.cfg.remapColumns = 6; });
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        EXPECT_EQ(S(slot).RemapRowMarks, (std::array<std::uint16_t, 8>{0x20, 0x21, 1, 1, 1, 1, 1, 1}));
        EXPECT_EQ(Slice(S(slot).RemapRows, 0, 24), ExpectedRows(2, 6));
        EXPECT_EQ(Slice(HeaderPage(slot), kSysBinRemapRowsAt, 24), ExpectedRows(2, 6));
    }
    ReadBinFileHeader(kSystemFirmware);
}

TEST_F(RemapRows, WithoutRemapTheFirstMarkFollowsTheLaterBadBlock) {
    config_.Options[kOptRemap] = 0;
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        std::fill(S(slot).RemapRows.begin(), S(slot).RemapRows.end(), std::uint8_t{0xEE});
        PrepareDrive(slot);
        ASSERT_TRUE(Download(slot));
        EXPECT_EQ(S(slot).RemapRowMarks, (std::array<std::uint16_t, 8>{sim::kLaterBadFirstBlock + 1, 1, 1, 1, 1, 1, 1, 1}));
        EXPECT_EQ(S(slot).RemapRows, Bytes(S(slot).RemapRows.size(), 0xEE)) << "rows left alone";
    }
}

TEST_F(RemapRows, SystemPageWithoutMarkerLeavesTheRows) {
    constexpr int kSlot = kSataSlot;
    std::fill(S(kSlot).RemapRows.begin(), S(kSlot).RemapRows.end(), std::uint8_t{0xEE});
    S(kSlot).RemapRowMarks.fill(9);
    LearnSystemPage(kSlot, config_, SystemPages(config_, {{0x010, 0x0123}, {0x014, 0x0456}}), 43);
    EXPECT_EQ(S(kSlot).RemapRowMarks, (std::array<std::uint16_t, 8>{0x0124, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(S(kSlot).LaterBadBlockFirst, 0x0123);
    EXPECT_EQ(S(kSlot).LaterBadBlockOther, 0x0456);
    EXPECT_EQ(S(kSlot).RemapRows, Bytes(S(kSlot).RemapRows.size(), 0xEE));

    // One bank of one die: no block for the other banks.
    config_.BankCount = 1;
    LearnSystemPage(kSlot, config_, SystemPages(config_, {{0x010, 0x0123}, {0x014, 0x0456}}), 43);
    EXPECT_EQ(S(kSlot).LaterBadBlockOther, 0);
}

TEST_F(RemapRows, TheLastTaggedChannelDecides) {
    constexpr int kSlot = kSataSlot;
    Bytes set = SystemPages(config_, {});
    const std::size_t pageBytes = 4096;
    for (std::size_t ch = 0; ch < 4; ++ch) put_le16(&set[ch * pageBytes + 0x10], static_cast<std::uint16_t>(0x100 + ch));
    set[3 * pageBytes] = 0;   // channel 3 has no tag
    LearnSystemPage(kSlot, config_, set, 43);
    EXPECT_EQ(S(kSlot).LaterBadBlockFirst, 0x102);
    // No channel tagged: nothing changes.
    S(kSlot).LaterBadBlockFirst = 7;
    LearnSystemPage(kSlot, config_, Bytes(set.size(), 0), 43);
    EXPECT_EQ(S(kSlot).LaterBadBlockFirst, 7);
}

// 4 banks of 4 dies give 16 rows: the slot keeps 8 marks, and the rows fill
// what the chosen firmware's buffer holds (16 rows of 12, or 8 of 6).
TEST_F(RemapRows, SixteenRowsStayInsideTheMarksAndTheBuffer) {
    constexpr int kSlot = kSataSlot;
    config_.BankCount = 4;
    config_.FlashGeometry.DiesPerCe = 4;
    for (const unsigned columns : {12u, 6u}) {
        SCOPED_TRACE(columns);
        std::vector<std::pair<std::size_t, std::uint16_t>> words{{0x010, 0x0AAA}, {0x014, 0x0BBB}, {0x400, kRemapRowsMarker}};
        for (unsigned r = 0; r < 16; ++r) {
            const std::size_t row = 0x402 + r * (columns + 1) * 2;
            for (unsigned k = 0; k < columns; ++k) words.emplace_back(row + 2 * k, static_cast<std::uint16_t>(r << 8 | (k + 1)));
            words.emplace_back(row + 2 * columns, static_cast<std::uint16_t>(0x20 + r));
        }
        // The buffer as ReadBinFileHeader sizes it for the shape.
        S(kSlot).RemapRows.assign(columns == 12 ? 384 : 96, 0xEE);
        LearnSystemPage(kSlot, config_, SystemPages(config_, words), columns == 12 ? 43 : 42);
        EXPECT_EQ(S(kSlot).RemapRowMarks, (std::array<std::uint16_t, 8>{0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27}));
        EXPECT_EQ(S(kSlot).RemapRows, ExpectedRows(columns == 12 ? 16 : 8, columns));
        EXPECT_EQ(S(kSlot).LaterBadBlockFirst, 0x0AAA) << "the fields after the marks are not overwritten";
        EXPECT_EQ(S(kSlot).LaterBadBlockOther, 0x0BBB);
    }
    // No buffer at all (no firmware chosen): marks only.
    S(kSlot).RemapRows.clear();
    CopyRemapRows12(kSlot, config_, SystemPages(config_, {{0x402 + 12 * 2, 0x55}}));
    EXPECT_EQ(S(kSlot).RemapRowMarks[0], 0x55);
}

// Rows that would run past the end of the page are not read.
TEST_F(RemapRows, RowsPastThePageEndAreNotRead) {
    constexpr int kSlot = kSataSlot;
    config_.BankCount = 8;
    config_.FlashGeometry.DiesPerCe = 4;   // 32 rows
    S(kSlot).RemapRows.assign(32 * 24, 0xEE);
    S(kSlot).RemapRowMarks.fill(0xEEEE);
    const Bytes page = SystemPages(config_, {{0x400, kRemapRowsMarker}});
    // Three whole rows of 26 bytes and part of a fourth.
    CopyRemapRows12(kSlot, config_, std::span(page).first(0x402 + 26 * 3 + 10));
    EXPECT_EQ(Slice(S(kSlot).RemapRows, 0, 3 * 24), Bytes(3 * 24, 0));
    EXPECT_EQ(Slice(S(kSlot).RemapRows, 3 * 24, 24), Bytes(24, 0xEE)) << "the fourth row is cut, not read";
    EXPECT_EQ(S(kSlot).RemapRowMarks, (std::array<std::uint16_t, 8>{0, 0, 0, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE}));
}

}  // namespace
}  // namespace qx::test
