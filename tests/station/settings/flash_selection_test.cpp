#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "qxlib/settings/flash_geometry.h"
#include "settings/flash_config_fixture.h"
#include "station/flash_part_list.h"
#include "station/settings/flash_selection.h"
#include "station/settings/integer_text.h"

namespace qx::station {
namespace {

FlashPartList ShippedList() {
    FlashPartList list;
    EXPECT_TRUE(LoadFlashPartList(QX_SOURCE_DIR "/data", "Flash.ini", list));
    return list;
}

FlashPartRecord Named(const char* name) {
    FlashPartRecord part{};
    std::strncpy(part.PartName, name, sizeof part.PartName - 1);
    return part;
}

TEST(FlashSelection, FindsPartsAndValues) {
    const std::vector<FlashPartRecord> table{Named("A"), Named("B"), Named("B"), Named("b")};
    EXPECT_EQ(FindFlashPartIndex(table, "B"), 1) << "the first of two equal names";
    EXPECT_EQ(FindFlashPartIndex(table, "b"), 3) << "case counts";
    EXPECT_EQ(FindFlashPartIndex(table, "C"), 0) << "no match: entry 0";
    EXPECT_EQ(FindFlashPartIndex({}, "C"), 0);
    const int channels[] = {1, 2, 3, 4};
    EXPECT_EQ(FindValueIndex(channels, 3), 2);
    EXPECT_EQ(FindValueIndex(channels, 9), 0);
}

TEST(FlashSelection, VendorWalkOverTheShippedList) {
    const FlashPartList list = ShippedList();   // starts 0, 4, 7, 9, 10
    struct Case {
        int part, vendor, item;
    };
    for (const Case c : {Case{0, 0, 0}, Case{3, 0, 3}, Case{4, 1, 0}, Case{8, 2, 1}, Case{9, 3, 0}}) {
        EXPECT_EQ(VendorOfPart(list, c.part), c.vendor) << c.part;
        EXPECT_EQ(PartOfItem(list, c.vendor, c.item), c.part) << c.part;
    }
    EXPECT_FALSE(PartOfItem(list, 0, 4)) << "past the vendor's parts";
    EXPECT_FALSE(PartOfItem(list, -1, 0));
    EXPECT_FALSE(PartOfItem(list, 4, 0));
    EXPECT_FALSE(PartOfItem(list, 1, -1));
    EXPECT_EQ(VendorOfPart(FlashPartList{}, 0), -1);
}

TEST(FlashSelection, ItemAndStatusTexts) {
    const FlashPartList list = ShippedList();
    EXPECT_EQ(FlashPartItemText(list.FlashPartTable[0]), "WBG  /  NV16G08A1M (2CE)");
    EXPECT_EQ(FlashStatusText(list.FlashPartTable[4], 2, 4), "Flash: KT128A(0x2A52), Channel: 2, Bank: 4");
    FlashPartRecord part = Named("X");
    part.FlashTypeWord = 0x80;
    EXPECT_EQ(FlashStatusText(part, 1, 1), "Flash: X(0x0080), Channel: 1, Bank: 1");
    part.FlashTypeWord = 0x123456;
    EXPECT_EQ(FlashStatusText(part, 1, 1), "Flash: X(0x123456), Channel: 1, Bank: 1");
}

class FlashPage : public test::FlashConfigFixture {
protected:
    void Choose(int part, std::uint8_t channels, std::uint8_t banks) {
        Apply(list_.FlashPartTable[static_cast<std::size_t>(part)], channels, banks);
    }
    FlashPartList list_ = ShippedList();
};

TEST_F(FlashPage, DetailLinesShowTheStoredWord) {
    Choose(0, 2, 1);   // WBG 0x1811: 8 sectors, 256 pages, 2048 blocks, 1 die, MLC
    EXPECT_EQ(FlashDetailLines(config_), (std::vector<std::string>{"Type: MLC, Die: 1", "TotalBlock: 2048, BlockPage: 256",
                                                                  "PerPageSize: 4096 DieOffset: 0",
                                                                  "FlashInterface: 1"}));
    Choose(5, 2, 1);   // KT64H halves its pages; the lines do not
    EXPECT_EQ(FlashDetailLines(config_)[1], "TotalBlock: 4096, BlockPage: 256");
    Choose(6, 2, 1);   // KT256D: die offset 2048, interface 6
    EXPECT_EQ(FlashDetailLines(config_)[2], "PerPageSize: 8192 DieOffset: 2048");
    EXPECT_EQ(FlashDetailLines(config_)[3], "FlashInterface: 6");
    Choose(3, 1, 1);   // WBS 0x1009: SLC
    EXPECT_EQ(FlashDetailLines(config_)[0], "Type: SLC, Die: 1");
}

TEST_F(FlashPage, CapacitiesInBothUnitsAndLowPageMode) {
    for (int part = 0; part < list_.PartCount(); ++part) {
        Choose(part, 4, 2);
        const std::uint64_t sectors = CalcDiskCapacity(config_);
        const double bytes = static_cast<double>(sectors) * 512;
        char decimal[32], binary[32];
        std::snprintf(decimal, sizeof decimal, "%4.2f", bytes / 1000000000.0);
        std::snprintf(binary, sizeof binary, "%4.2f", bytes / (1024.0 * 1024 * 1024));
        const CapacityView full = CalcCapacityView(sectors, false);
        EXPECT_EQ(full.DecimalText, decimal) << part;
        EXPECT_EQ(full.BinaryText, binary) << part;
        EXPECT_FALSE(full.SlcHint);
        std::snprintf(decimal, sizeof decimal, "%d.00", static_cast<int>(bytes / 1000000000.0 / 2));
        std::snprintf(binary, sizeof binary, "%d.00", static_cast<int>(bytes / (1024.0 * 1024 * 1024) / 2));
        const CapacityView low = CalcCapacityView(sectors, true);
        EXPECT_EQ(low.DecimalText, decimal) << part;
        EXPECT_EQ(low.BinaryText, binary) << part;
        EXPECT_TRUE(low.SlcHint);
    }
    EXPECT_EQ(CalcCapacityView(0, false).DecimalText, "0.00");
}

TEST_F(FlashPage, CapacityKeepsItsDotUnderAnyLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale here";
    EXPECT_EQ(FormatFixed2(1.5), "1.50");
    std::setlocale(LC_NUMERIC, previous.c_str());
}

// The conversion as the operator's reference sheet states it.
int ExpectedRatio(long long value, long long channels, long long banks, long long pages, long long sectors,
                  long long blocks) {
    const long long user = 1953504 * value + 21168;
    const long long raw = channels * banks * pages * sectors * blocks;
    return static_cast<int>((100.0 - 100.0 * static_cast<double>(user) / static_cast<double>(raw)) * 10);
}

TEST_F(FlashPage, IdemaRatioAndItsMessages) {
    Choose(0, 2, 1);   // WBG: 2048 blocks, 256 pages, 8 sectors; largest 2*1*2*256*4/1024 = 4
    EXPECT_EQ(IdemaLargestValue(config_, false), 4);
    IdemaOutcome r = CalcIdemaRatio("4", config_, false);
    ASSERT_TRUE(r.Ratio);
    EXPECT_EQ(*r.Ratio, ExpectedRatio(4, 2, 1, 256, 8, 2048));
    EXPECT_EQ(*r.Ratio, 65);
    r = CalcIdemaRatio("5", config_, false);
    EXPECT_FALSE(r.Ratio);
    EXPECT_EQ(r.Message, "Please input a correct IDEMA capacity(less than or equal to 4)");
    EXPECT_EQ(CalcIdemaRatio("", config_, false).Message, "Please input a IDEMA capacity");
    EXPECT_EQ(CalcIdemaRatio("0", config_, false).Message, "Please input a correct IDEMA capacity(not equal to 0)");
    EXPECT_THROW(CalcIdemaRatio("4a", config_, false), InvalidInteger);
}

TEST_F(FlashPage, IdemaInLowPageModeCountsTheHalvedPages) {
    Choose(0, 2, 1);
    EXPECT_EQ(IdemaLargestValue(config_, true), 2);
    const IdemaOutcome r = CalcIdemaRatio("2", config_, true);
    ASSERT_TRUE(r.Ratio);
    EXPECT_EQ(*r.Ratio, ExpectedRatio(2, 2, 1, 128, 8, 2048));
    // The full page count would allow 4, which would give a negative ratio.
    EXPECT_EQ(CalcIdemaRatio("3", config_, true).Message,
              "Please input a correct IDEMA capacity(less than or equal to 2)");
    EXPECT_EQ(CalcIdemaRatio("-3", config_, true).Message,
              "Please input a correct IDEMA capacity(less than or equal to 2)")
        << "a ratio past 1000 is never stored";
}

}  // namespace
}  // namespace qx::station
