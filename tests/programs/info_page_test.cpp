#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "programs/program_fixture.h"
#include "qxlib/programs/gdp_param_area.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/base/switches.h"
#include "support/temp_dir.h"

namespace qx::test {
namespace {

class InfoPage : public SlotFixture {
protected:
    static constexpr std::size_t kPage = 8 * 512;

    BinFileList Bins(std::initializer_list<std::uint32_t> sizesKB) {
        BinFileList bins{};
        bins.Count = static_cast<std::uint8_t>(sizesKB.size());
        std::size_t i = 0;
        for (std::uint32_t kb : sizesKB) bins.SizesKB[i++] = kb;
        return bins;
    }

    Bytes Build(const FlashConfig& config, BinFileList& bins, std::uint16_t sequence = 0x0123) {
        Bytes page(InfoPageSetBytes(config), 0xCC);
        EXPECT_TRUE(BuildInfoPage(kSlot, config, bins, page, sequence));
        return page;
    }
};

TEST_F(InfoPage, EveryChannelCopyCarriesTheSamePageButItsChannel) {
    Slot().CodeBlocks = {31, 20, 10, 40};
    Slot().CodeBlockCount = 3;
    BinFileList bins = Bins({200, 60});
    const FlashConfig config = ToggleConfig();
    const Bytes page = Build(config, bins);
    ASSERT_EQ(page.size(), 4 * kPage);

    Bytes pageMap;
    for (std::uint8_t i = 0; i < 48; ++i) pageMap.insert(pageMap.end(), {i, 0});
    struct Range {
        std::size_t at;
        Bytes bytes;
    };
    const Range ranges[] = {
        {0x000, Hex("4C 44 42 4B 20 42 4C 4F 43 4B 53 20 56 35 30 00"    // "LDBK BLOCKS V50"
                    " 38 34 58 20 56 32 20 00"                          // "84X V2 "
                    " 00 08 80 00 03 00 00 00"                          // channel, sectors, pages, ECC
                    " 1F 00 07 00 14 00 07 00 0A 00 07 00 00 00 00 00")},  // three code blocks
        {0x200, Hex("4C 44 42 4B 20 43 4F 4E 46 49 47 20 56 35 30 00"    // "LDBK CONFIG V50"
                    " 23 01 00 00 30 02 00 00 80 02 00 00 E0 02 00 00 CC *16")},
        {0x230, Hex("02 00 00 00 08 00 4A 00 08 00 33 00 3B 00 10 00 00 *24 CC *8")},
        {0x260, Hex("4E 56 33 32 47 30 38 41 31 4D 00 *22")},   // part number
        {0x280, pageMap},
        {0x2E0, Hex("0C 00 CC CC"
                    " 20 49 00 B0 21 49 00 B0 22 49 00 B0 23 49 00 B0 01 02 03 04"
                    " 24 49 00 B0 25 49 00 B0 26 49 00 B0 27 49 00 B0 05 06 07 08"
                    " 28 49 00 B0 29 49 00 B0 2A 49 00 B0 2B 49 00 B0 09 0A 0B 0C CC")},
        {0x500, Hex("CC *64")},   // the program's parameter area stays as the buffer held it
    };
    for (std::size_t ch = 0; ch < 4; ++ch) {
        const Bytes copy = Slice(page, ch * kPage, kPage);
        for (const Range& r : ranges) {
            Bytes want = r.bytes;
            if (r.at == 0) want[0x18] = static_cast<std::uint8_t>(ch);
            EXPECT_EQ(HexText(Slice(copy, r.at, want.size())), HexText(want)) << "channel " << ch << " at " << r.at;
        }
        EXPECT_EQ(copy.back(), 0xCC);
    }
    EXPECT_EQ(bins.Placements[0].StartPage, 8);
    EXPECT_EQ(bins.Placements[0].PageCount, 51);
    EXPECT_EQ(bins.Placements[1].StartPage, 59);
    EXPECT_EQ(bins.Placements[1].PageCount, 16);
}

TEST_F(InfoPage, LowPageModePlacesTheBinFilesFromTheFirstTablePage) {
    FlashConfig config = ToggleConfig();
    config.EnCodeBlockLowPage = 1;
    config.LowPageType = 3;
    FillCodeBlockPageTables(config);
    ASSERT_EQ(config.PageMap[0], 28);
    BinFileList bins = Bins({200, 60});
    const Bytes page = Build(config, bins);
    EXPECT_EQ(HexText(Slice(page, 0x230, 16)), HexText(Hex("02 00 00 00 00 00 0F 00 1C 00 33 00 4F 00 10 00")));
    EXPECT_EQ(bins.Placements[1].StartPage, 79);
}

TEST_F(InfoPage, RegisterListFollowsTheRegisterMapSwitchAndInterface) {
    struct Case {
        std::uint8_t regMap, flashInterface;
        std::uint16_t entries;
        Bytes lastGroup;   // address of its first register, then the values
    };
    const Case cases[] = {
        {1, 1, 48, Hex("7C 00 01 B0 01 05 46 00")},
        {1, 3, 48, Hex("7C 00 01 B0 00 25 46 00")},
        {0, 1, 12, Hex("28 49 00 B0 09 0A 0B 0C")},
        {1, 4, 12, Hex("28 49 00 B0 09 0A 0B 0C")},
    };
    for (const Case& c : cases) {
        FlashConfig config = ToggleConfig();
        config.EnRegMap = c.regMap;
        config.FlashInterface = c.flashInterface;
        BinFileList bins = Bins({100});
        const Bytes page = Build(config, bins);
        EXPECT_EQ(page[0x2E0], c.entries);
        const std::size_t last = 0x2E4 + (c.entries / 4u - 1) * 20;
        Bytes got = Slice(page, last, 4);
        const Bytes values = Slice(page, last + 16, 4);
        got.insert(got.end(), values.begin(), values.end());
        EXPECT_EQ(HexText(got), HexText(c.lastGroup)) << int{c.regMap} << "/" << int{c.flashInterface};
    }
}

TEST_F(InfoPage, RefusesABufferThatCannotHoldThePageSet) {
    BinFileList bins = Bins({100});
    Bytes page(InfoPageSetBytes(ToggleConfig()) - 1, 0xCC);
    EXPECT_FALSE(BuildInfoPage(kSlot, ToggleConfig(), bins, page, 1));
    EXPECT_EQ(page, Bytes(page.size(), 0xCC));
}

TEST_F(InfoPage, IsDumpedWhenDumpsAreOn) {
    TempDir dir(true);
    DumpDebugFile = true;
    BinFileList bins = Bins({100});
    const Bytes page = Build(ToggleConfig(), bins);
    DumpDebugFile = false;
    std::ifstream in("InfoPage.raw", std::ios::binary);
    const Bytes dumped((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(dumped, page);
}

// Built over a patched program image, the page parses back into the
// configuration and placements it was built from.
TEST_F(InfoPage, ParsesBackWhatWasBuilt) {
    for (const FlashConfig& built : {ToggleConfig(), LowPageConfig()}) {
        Slot().CodeBlocks = {4, 5, 6, 7};
        Slot().CodeBlockCount = 4;
        BinFileList bins = Bins({200, 60});
        Bytes page(InfoPageSetBytes(built), 0);
        ASSERT_TRUE(PatchGdpParamArea(kSlot, built, settings_, page));
        ASSERT_TRUE(BuildInfoPage(kSlot, built, bins, page, 7));
        ASSERT_TRUE(IsInfoPageHeader(built, page));

        FlashConfig parsed{};
        BinFileList parsedBins{};
        ParseInfoPageFlashInfo(parsed, page);
        ParseInfoPageMisc(parsed, page);
        ParseInfoPageBinTable(parsedBins, page);
        EXPECT_STREQ(parsed.PartNumber, built.PartNumber);
        EXPECT_TRUE(std::equal(built.PageMap.begin(), built.PageMap.begin() + 48, parsed.PageMap.begin()));
        EXPECT_EQ(parsed.FlashTypeWord, built.FlashTypeWord);
        EXPECT_EQ(parsed.ChannelCount, built.ChannelCount);
        EXPECT_EQ(parsed.BankCount, built.BankCount);
        EXPECT_EQ(parsed.CeCount, built.CeCount);
        EXPECT_EQ(parsed.EccMode, built.EccMode);
        EXPECT_EQ(parsed.FlashModeFlag, built.FlashModeFlag);
        EXPECT_EQ(parsed.SizeCode, built.SizeCode);
        EXPECT_EQ(parsed.DrvCurrent, built.DrvCurrent);
        EXPECT_EQ(parsed.ResPercentage, built.ResPercentage);
        EXPECT_EQ(parsed.DefPercentage, built.DefPercentage);
        EXPECT_EQ(parsed.FwFlagsB, built.FwFlagsB);
        EXPECT_EQ(parsedBins.Count, 2);
        EXPECT_EQ(parsedBins.Placements[1].StartPage, bins.Placements[1].StartPage);
        EXPECT_EQ(parsedBins.Placements[1].PageCount, bins.Placements[1].PageCount);
    }
}

TEST_F(InfoPage, ParsedFlagsAndCountsAreAssignedAndBounded) {
    Bytes page(kParamAreaEnd, 0);
    page[0x230] = 5;   // more bin files than the list holds
    for (std::size_t i = 0; i < 5; ++i) page[0x238 + 4 * i] = static_cast<std::uint8_t>(10 + i);
    BinFileList bins{};
    ParseInfoPageBinTable(bins, page);
    EXPECT_EQ(bins.Count, 2);
    EXPECT_EQ(bins.Placements[1].StartPage, 11);

    FlashConfig config{};
    config.FlashModeFlag = 1;   // left by an earlier drive
    ParseInfoPageFlashInfo(config, page);
    EXPECT_EQ(config.FlashModeFlag, 0);
}

}  // namespace
}  // namespace qx::test
