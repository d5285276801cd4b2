#include <gtest/gtest.h>

#include <vector>

#include "station/rdt/rdt_log.h"
#include "station/rdt/rdt_texts.h"

namespace qx::station {
namespace {

std::string VersionLineOf(std::vector<std::pair<std::size_t, std::uint8_t>> bytes) {
    std::vector<std::uint8_t> s(1040, 0);
    for (std::size_t i = 0; i < 10; ++i) s[144 + i] = static_cast<std::uint8_t>('A' + i);
    for (auto [at, v] : bytes) s[at] = v;
    const std::string block = SummaryBlock(s);
    return block.substr(0, block.find("Bad Blocks"));
}

TEST(RdtTextsTest, TheFirstEndMarkerChoosesTheVersionLength) {
    EXPECT_EQ(VersionLineOf({{150, 0xAA}}), "RDT FIRMWARE VERVION : ABCDEF\r\n");
    EXPECT_EQ(VersionLineOf({{151, 0xAA}}), "RDT FIRMWARE VERVION : ABCDEFG\r\n");
    EXPECT_EQ(VersionLineOf({{153, 0xAA}}), "RDT FIRMWARE VERVION : ABCDEFGHI\r\n");
    EXPECT_EQ(VersionLineOf({{150, 0xAA}, {152, 0xAA}}), "RDT FIRMWARE VERVION : ABCDEF\r\n");
    EXPECT_EQ(VersionLineOf({}), "");
}

TEST(RdtTextsTest, TimesKeepTheirHoursInEightBits) {
    EXPECT_EQ(RdtTimeText(1'440'000), "01:00:00\r\n");
    EXPECT_EQ(RdtTimeText(432'000'000), "44:00:00\r\n");
    EXPECT_EQ(RdtTimeText(399), "00:00:00\r\n");
    EXPECT_EQ(RdtTimeText(400 * 3599), "00:59:59\r\n");
}

TEST(RdtTextsTest, DieNumbersAndBanks) {
    struct Case {
        std::uint8_t key, ceCount;
        int die;
        std::uint8_t dieBank;
    };
    const Case cases[] = {
        {0x9A, 2, 5, 0},         // channel 1, LUN 1, bank 2
        {0x80, 2, 0, 0},
        {0xB5, 2, 11, 1},        // channel 3, bank 5: 3 + 4 x 2
        {0xF7, 1, kNoDie, 0},    // 7 + 4 x 7
        {0xF7, 4, 11, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.key});
        EXPECT_EQ(DieNumberOf(DieKey{c.key}, c.ceCount), c.die);
        EXPECT_EQ(DieBankOf(c.ceCount, DieKey{c.key}.Channel(), DieKey{c.key}.Bank()), c.dieBank);
    }
}

TEST(RdtTextsTest, ErrorLineColumnsByPlaneAndType) {
    RdtErrorRecord e;
    e.key.raw = 0x80;
    e.unit = 1;
    e.page = 0x20;
    e.ecc = 5;
    e.step = 2;
    e.plane = 1;
    EXPECT_NE(ErrorLine(e, 2).find(",     0,   0x0001:1,  0x0002,        ,          0,    20,  00:00:00,    A,"),
              std::string::npos);
    EXPECT_TRUE(ErrorLine(e, 2).ends_with("," + std::string(15, ' ') + "5\r\n"));
    e.errorType = 1;
    EXPECT_TRUE(ErrorLine(e, 2).ends_with(",           0,\r\n"));
    e.plane = 3;
    e.errorType = 0;
    EXPECT_NE(ErrorLine(e, 2).find("   0&1,   0x0001:3,  0x0002,  0x0003,"), std::string::npos);
    EXPECT_TRUE(ErrorLine(e, 2).ends_with(",           0,\r\n"));
    e.plane = 4;
    EXPECT_EQ(ErrorLine(e, 2), "");
}

TEST(RdtTextsTest, FailPatternList) {
    RdtDieInfo d;
    d.failPatterns = 0x0005;
    EXPECT_NE(DieLines(d, 2).find("Fail pattern:0,2\r\n"), std::string::npos);
    d.failPatterns = 0;
    EXPECT_NE(DieLines(d, 2).find("Fail pattern:\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qx::station
