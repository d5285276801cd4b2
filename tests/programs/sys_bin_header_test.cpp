#include <gtest/gtest.h>

#include <fstream>

#include "programs/program_fixture.h"
#include "qxlib/programs/bin_file_header.h"
#include "qxlib/base/hex_text.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/sys_bin_header.h"
#include "support/temp_dir.h"

namespace qx::test {
namespace {

class SysBinHeader : public SlotFixture {
protected:
    // A header page as the file gives it: 0x40 everywhere the builders do not write.
    static Bytes FilePage(std::size_t size = 4096) { return Bytes(size, 0x40); }

    static BinFileList FirstBinAt(std::uint16_t page) {
        BinFileList bins{};
        bins.Count = 1;
        bins.Placements[0] = {page, 20};
        return bins;
    }

    // Chooses a firmware file of that model and variant, which sets the remap shape.
    static void ChooseFirmware(const char* model, const char* variant) {
        TempDir dir;
        Bytes file(1024, 0);
        std::copy_n(model, 3, file.begin() + 804);
        std::copy_n(variant, 2, file.begin() + 809);
        std::ofstream(dir.file("SYS.bin"), std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                                    static_cast<std::streamsize>(file.size()));
        ReadBinFileHeader(dir.file("SYS.bin"));
    }
};

TEST_F(SysBinHeader, HeaderRecordIsTheParameterBlockWithTheFirmwareFields) {
    Slot().CodeBlocks = {10, 20, 31, 40};
    Bytes page = FilePage();
    ASSERT_TRUE(BuildSysBinHeader(kSlot, ToggleConfig(), settings_, page));
    const Bytes expected = Hex(
        "49 18 01 04 02 03 02 1A 2C 30 A2 02 02 11 00 00"   // byte 7: the extended size code
        " 1F 00 14 00 0A 00 28 00 40 00 01 07 00 00 00 00"
        " 13 23 44 55 C3 00 00 00"                          // BCH40 thresholds (ECC mode 3), wear level,
                                                            // security counter and options
        " 01 00 03 02 05 04 07 06");                        // bank map
    EXPECT_EQ(HexText(Slice(page, 0x500, expected.size())), HexText(expected));
    EXPECT_EQ(page[0x4FF], 0x40);
    EXPECT_EQ(page[0x530], 0x40);
}

TEST_F(SysBinHeader, ThresholdsFollowTheEccMode) {
    struct Case {
        std::uint8_t ecc, read, copy;
    };
    for (const Case& c : {Case{1, 0x11, 0x21}, Case{2, 0x12, 0x22}, Case{3, 0x13, 0x23}, Case{4, 0, 0}}) {
        FlashConfig config = ToggleConfig();
        config.EccMode = c.ecc;
        Bytes page = FilePage();
        ASSERT_TRUE(BuildSysBinHeader(kSlot, config, settings_, page));
        EXPECT_EQ(page[0x520], c.read) << int{c.ecc};
        EXPECT_EQ(page[0x521], c.copy) << int{c.ecc};
    }
}

TEST_F(SysBinHeader, GeometryBlockOfTwoConfigurations) {
    struct Case {
        FlashConfig config;
        BinFileList bins;
        bool largeCapacity;
        const char* expected;
    };
    Slot().LedInterleave = 0x21;
    Slot().RemapRowMarks = {0x101, 2, 3, 4, 5, 6, 7, 8};
    Slot().LaterBadBlockFirst = 0x0123;
    Slot().LaterBadBlockOther = 0x0456;
    const Case toggle{ToggleConfig(), FirstBinAt(8), false,
                      // channels, CE bits, planes, pages, blocks, sectors (log2), reserve
                      // shift, 8, LED, die offset?, banks, address cycles; file bytes
                      "02 01 01 07 0B 03 07 08 21 00 01 01 40 40 40 40"
                      // async timing, flags A, sync timing, file byte + class bit
                      " 90 90 22 04 9B F9 54 13 00 00 22 04 FF FF 1F 42"
                      // remap marks 0..3, reserve, first bin page, extra blocks, die offset,
                      // later-bad blocks
                      " 01 02 03 04 2C 01 08 00 00 00 00 00 23 01 56 04"
                      // 800 (not class 0/4), driver, Rovida, remap marks 4..7, file bytes
                      " 20 03 66 77 05 06 07 08 40 40 40 40 40 40 40 40"};
    const Case lowPage{LowPageConfig(), FirstBinAt(31), true,
                       "03 02 01 08 0A 04 05 08 00 01 01 01 40 40 40 40"
                       " 90 90 22 04 9B F9 54 20 00 00 22 04 FF FF 1F 44"
                       " 00 00 00 00 32 00 1F 00 80 00 00 08 00 00 00 00"
                       " 20 03 66 77 00 00 00 00 40 40 40 40 40 40 40 40"};
    for (const Case* c : {&toggle, &lowPage}) {
        if (c == &lowPage) Reset();
        Bytes page = FilePage();
        ASSERT_TRUE(BuildSysBinGeometry(kSlot, c->config, c->bins, c->largeCapacity, page));
        EXPECT_EQ(HexText(Slice(page, 0x530, 64)), HexText(Hex(c->expected)));
        EXPECT_EQ(page[0x52F], 0x40);
        EXPECT_EQ(page[0x570], 0x40);
    }
}

TEST_F(SysBinHeader, AddressCyclesOfFourChannelsTwoBanksTwoDies) {
    for (const auto& [typeWord, cycles] : {std::pair<std::uint16_t, std::uint8_t>{0x0209, 1}, {0x020B, 2}}) {
        FlashConfig config = ToggleConfig();
        config.FlashTypeWord = typeWord;   // two dies, 8 or 32 sectors a page
        DecodeFlashGeometry(config, config.FlashGeometry);
        Bytes page = FilePage();
        ASSERT_TRUE(BuildSysBinGeometry(kSlot, config, FirstBinAt(8), false, page));
        EXPECT_EQ(HexText(Slice(page, 0x530, 2)), HexText(Hex("02 02")));
        EXPECT_EQ(page[0x53A], 1);
        EXPECT_EQ(page[0x53B], cycles) << std::hex << typeWord;
    }
}

TEST_F(SysBinHeader, ReserveShiftIsBounded) {
    struct Case {
        std::uint8_t channels, ceBits;
        std::uint16_t reserve;
        std::uint8_t blocksLog;
        bool large;
        std::uint8_t shift;
    };
    const Case cases[] = {
        {4, 3, 68, 11, false, 7},    // 1/16 < 0.068: e = 11 - 4 = 7 = t
        {4, 1, 300, 16, false, 9},   // t = log2(4096 / 8)
        {4, 1, 300, 16, true, 10},   // twice the base
        {4, 1, 300, 11, false, 7},   // 68 or more: at most blocks - 4
        {4, 1, 50, 11, false, 6},    // d = 32: e = 11 - 5
        {4, 1, 0, 11, false, 0},     // no reserve: the search stops, the shift cannot go below 0
        {0, 1, 300, 11, false, 0},   // no channels: nothing divides by zero
    };
    for (const Case& c : cases) {
        FlashConfig config{};
        config.ChannelCount = c.channels;
        config.ResPercentage = c.reserve;
        const std::uint8_t g[8] = {0, c.ceBits, 0, 0, c.blocksLog};
        EXPECT_EQ(SysBinReserveShift(config, g, c.large), c.shift) << c.reserve << " " << int{c.blocksLog};
    }
}

TEST_F(SysBinHeader, RemapRowsFollowTheChosenShapeAndThePageSize) {
    ChooseFirmware("843", "00");
    EXPECT_EQ(CurrentRemapShape().Bytes(), 96u);
    EXPECT_EQ(Slot().RemapRows.size(), 96u);
    ChooseFirmware("849", "43");   // a larger shape grows the rows
    const RemapShape shape = CurrentRemapShape();
    EXPECT_EQ(shape.Rows, 16);
    EXPECT_EQ(shape.Columns, 12);
    EXPECT_EQ(shape.Kind, 43);
    ASSERT_EQ(Slot().RemapRows.size(), 384u);
    for (std::size_t i = 0; i < 384; ++i) Slot().RemapRows[i] = static_cast<std::uint8_t>(i);

    Bytes page = FilePage();
    ASSERT_TRUE(BuildSysBinGeometry(kSlot, ToggleConfig(), FirstBinAt(8), false, page));
    EXPECT_EQ(Slice(page, 0x8A0, 384), Slot().RemapRows);
    EXPECT_EQ(page[0x8A0 + 384], 0x40);

    // Four 24-byte rows fit this page; the fifth is not written.
    page = FilePage(0x8A0 + 100);
    ASSERT_TRUE(BuildSysBinGeometry(kSlot, ToggleConfig(), FirstBinAt(8), false, page));
    EXPECT_EQ(Slice(page, 0x8A0, 96), Slice(Slot().RemapRows, 0, 96));
    EXPECT_EQ(Slice(page, 0x8A0 + 96, 4), Hex("40 40 40 40"));

    ChooseFirmware("818", "00");   // other models keep the shape
    EXPECT_EQ(CurrentRemapShape().Bytes(), 384u);
    ChooseFirmware("849", "42");
    EXPECT_EQ(CurrentRemapShape().Bytes(), 96u);
    EXPECT_EQ(Slot().RemapRows.size(), 384u);   // the room stays
}

TEST_F(SysBinHeader, PagesTooSmallAreLeftAlone) {
    Bytes page = FilePage(0x56F);
    EXPECT_FALSE(BuildSysBinHeader(kSlot, ToggleConfig(), settings_, page));
    EXPECT_FALSE(BuildSysBinGeometry(kSlot, ToggleConfig(), FirstBinAt(8), false, page));
    EXPECT_FALSE(BuildSysBinIdentity(kSlot, ToggleConfig(), settings_, page, "SN", "123456789"));
    EXPECT_EQ(page, FilePage(0x56F));
}

TEST_F(SysBinHeader, HeaderPageIsKnownByItsTagAndMark) {
    Bytes page = FilePage();
    std::copy_n("QXSS", 4, page.begin() + 0x300);
    page[0x30D] = 'S';
    EXPECT_TRUE(IsSysBinHeaderPage(page));
    page[0x30D] = 'U';
    EXPECT_FALSE(IsSysBinHeaderPage(page));
    page[0x30D] = 'S';
    page[0x303] = 'T';
    EXPECT_FALSE(IsSysBinHeaderPage(page));
    EXPECT_FALSE(IsSysBinHeaderPage(Slice(page, 0, 0x30D)));
}

TEST(HexText, Conversions) {
    EXPECT_EQ(HexCharToValue('7'), 7);
    EXPECT_EQ(HexCharToValue('b'), 11);
    EXPECT_EQ(HexCharToValue('F'), 15);
    EXPECT_EQ(HexCharToValue('G'), 0x17);
    EXPECT_EQ(HexCharToValue(' '), 0xF0);
    EXPECT_EQ(NibbleToHexChar(0x3C), 'C');
    EXPECT_EQ(LowestSetBitIndex(0), 0);
    EXPECT_EQ(LowestSetBitIndex(2048), 11);
    EXPECT_EQ(LowestSetBitIndex(12), 2);
    const char field[4] = {'A', 'B', 'C', 'D'};   // no terminator
    EXPECT_EQ(MinLenOfString(field, 4), 4u);
    EXPECT_EQ(MinLenOfString("AB", 8), 2u);
}

}  // namespace
}  // namespace qx::test
