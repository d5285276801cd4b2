#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qxlib/settings/flash_config.h"
#include "qxlib/error_items/test_result_decode.h"

namespace qx {
namespace {

using Bytes = std::vector<std::uint8_t>;

FlashConfig TwoChannels() {
    FlashConfig config{};
    config.ChannelCount = 2;
    config.BankCount = 4;
    config.FlashGeometry.BlocksPerPlane = 2048;
    config.FlashId = {0x98, 0xDE, 0x94, 0x93, 0x76};
    return config;
}

// Flash test result data: four unread bytes, the records, the 0xFF end.
Bytes FlashResult(std::initializer_list<std::array<std::uint8_t, 3>> records) {
    Bytes data(4, 0);
    for (const auto& r : records) data.insert(data.end(), {r[0], r[1], r[2], 0});
    data.insert(data.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    return data;
}

struct Decoded {
    std::string text;
    int item = 4;
    int badCount = 0;
    int badIndex = -1;
};

Decoded DecodeFlash(const Bytes& data, const FlashConfig& config = TwoChannels()) {
    Decoded d;
    DecodeFlashTestResult(data, config, d.text, &d.item, &d.badCount, &d.badIndex);
    return d;
}

TEST(DecodeFlashTestResult, EndsAtTheFirstRecordWithFFInChannelBankOrSubCode) {
    for (std::size_t i = 0; i < 3; ++i) {
        Bytes data = FlashResult({{0, 0, 4}});
        data[4 + i] = 0xFF;
        const Decoded d = DecodeFlash(data);
        EXPECT_EQ(d.text, "") << i;
        EXPECT_EQ(d.item, 4) << i;
        EXPECT_EQ(d.badCount, 0) << i;
    }
}

TEST(DecodeFlashTestResult, ListsFindingsThenTheBadUnitsInIndexOrder) {
    const Decoded d = DecodeFlash(FlashResult({{1, 0, 4}, {0, 1, 7}, {1, 0, 4}}));
    EXPECT_EQ(d.text,
              "Flash Interface Test Fail\r\n"
              "Flash Erase fail. Ch#01, Bank#00\r\n"
              "Flash ECC fail. Ch#00, Bank#01\r\n"
              "Flash Erase fail. Ch#01, Bank#00\r\n"
              "\r\nBad CH/CE:\r\n"
              "CH#1, BK#0\r\n"
              "CH#0, BK#1\r\n");
    EXPECT_EQ(d.item, 58);   // the last record's
    EXPECT_EQ(d.badCount, 2);
    EXPECT_EQ(d.badIndex, 2);
}

TEST(DecodeFlashTestResult, OneBadUnitGivesCountOneAndItsIndex) {
    const Decoded d = DecodeFlash(FlashResult({{1, 3, 1}}));
    EXPECT_EQ(d.item, 55);
    EXPECT_EQ(d.badCount, 1);
    EXPECT_EQ(d.badIndex, 7);
}

TEST(DecodeFlashTestResult, SubCodesAndTheirItems) {
    struct Case {
        std::uint8_t sub;
        const char* line;
        int item;
    };
    const Case cases[] = {
        {1, "Flash RESET fail. Ch#01, Bank#02\r\n", 55},
        {2, "ReadFlashID fail. Ch#01, Bank#02\r\n", 56},
        {3, "2nd ReadFlashID fail. Ch#01, Bank#02\r\n", 57},
        {5, "Flash Prog fail when turn on ECC. Ch#01, Bank#02\r\n", 59},
        {6, "Flash Prog fail when turn off ECC. Ch#01, Bank#02\r\n", 60},
        {8, "Flash SpareBytes fail. Ch#01, Bank#02\r\n", 62},
        {9, "Flash 2nd Erase fail. Ch#01, Bank#02\r\n", 63},
        {11, "ECC Test fail. Ch#01, Bank#02\r\n", 65},
        {0, "", 4},    // no line, item unchanged, but the unit still counts
        {12, "", 4},
    };
    for (const Case& c : cases) {
        const Decoded d = DecodeFlash(FlashResult({{1, 2, c.sub}}));
        EXPECT_EQ(d.text, std::string("Flash Interface Test Fail\r\n") + c.line + "\r\nBad CH/CE:\r\nCH#1, BK#2\r\n")
            << int{c.sub};
        EXPECT_EQ(d.item, c.item) << int{c.sub};
    }
}

TEST(DecodeFlashTestResult, SramFailureNamesNoUnit) {
    const Decoded d = DecodeFlash(FlashResult({{1, 2, 10}}));
    EXPECT_EQ(d.text, "Flash Interface Test Fail\r\nTest SRAM Memory Fail\r\n");
    EXPECT_EQ(d.item, 64);
    EXPECT_EQ(d.badCount, 0);
}

TEST(DecodeFlashTestResult, UnitsOutsideTheCountersOrWithoutChannelsAreNotCounted) {
    // 4 channels x 8 banks: bank 8 gives index 32 and more.
    FlashConfig four = TwoChannels();
    four.ChannelCount = 4;
    Decoded d = DecodeFlash(FlashResult({{0, 8, 4}, {3, 7, 4}}), four);
    EXPECT_EQ(d.badCount, 1);
    EXPECT_EQ(d.badIndex, 31);

    FlashConfig none = TwoChannels();
    none.ChannelCount = 0;
    d = DecodeFlash(FlashResult({{1, 1, 4}}), none);
    EXPECT_EQ(d.text, "Flash Interface Test Fail\r\nFlash Erase fail. Ch#01, Bank#01\r\n");
    EXPECT_EQ(d.badCount, 0);
}

TEST(DecodeFlashTestResult, StopsAtTheEndOfTheBuffer) {
    Bytes data = FlashResult({{1, 0, 4}});
    data.resize(data.size() - 4);   // no end record
    data.push_back(0);              // and a stray byte, less than a record
    const Decoded d = DecodeFlash(data);
    EXPECT_EQ(d.badCount, 1);
    EXPECT_EQ(DecodeFlash(Bytes{0, 0}).text, "");
}

TEST(DecodeFlashTestResult, OutputsMayBeAbsentAndTheTextGrowsPastAnyLineBuffer) {
    Bytes data(4, 0);
    for (int i = 0; i < 600; ++i) data.insert(data.end(), {0, 0, 4, 0});
    std::string text = "kept ";
    DecodeFlashTestResult(data, TwoChannels(), text);
    EXPECT_EQ(text.rfind("kept Flash Interface Test Fail\r\n", 0), 0u);
    EXPECT_GT(text.size(), 600u * 30);
}

// Scan result data as the detail buffer holds it: the count, then records.
struct ScanRecord {
    std::uint8_t type, channel, bank, die;
    std::uint16_t value = 0;
    std::uint16_t page = 0;
    std::uint8_t error = 0;
    std::array<std::uint8_t, 5> id{};
};

Bytes ScanRecords(std::initializer_list<ScanRecord> records) {
    Bytes data;
    for (const ScanRecord& r : records) {
        Bytes b(16, 0);
        b[0] = r.type;
        b[1] = r.channel;
        b[2] = r.bank;
        b[3] = r.die;
        b[4] = static_cast<std::uint8_t>(r.value);
        b[5] = static_cast<std::uint8_t>(r.value >> 8);
        b[6] = static_cast<std::uint8_t>(r.page);
        b[7] = static_cast<std::uint8_t>(r.page >> 8);
        b[8] = r.error;
        std::copy(r.id.begin(), r.id.end(), b.begin() + 10);
        data.insert(data.end(), b.begin(), b.end());
    }
    return data;
}

Decoded DecodeScan(std::uint8_t count, const Bytes& records, int item = 7) {
    Decoded d;
    d.item = item;
    DecodeScanResult(count, records, TwoChannels(), d.text, &d.item, &d.badCount, &d.badIndex);
    return d;
}

TEST(DecodeScanResult, OverDefectRatioListsTheRatioAndCountsTheBlocks) {
    const Decoded d = DecodeScan(1, ScanRecords({{3, 1, 0, 0, 40}}));
    EXPECT_EQ(d.text,
              "Number of bad block is over defect ratio:\r\n"
              "Ch#01, Bank#00, Die#00, BadBlockNum: 40, BadBlockNumRatio(1/1000): 19\r\n"
              "\r\nBad CH/CE:\r\n"
              "Ch#1, CE#0, BadBlockNum: 40\r\n");
    EXPECT_EQ(d.item, 49);
    EXPECT_EQ(d.badCount, 1);
    EXPECT_EQ(d.badIndex, 1);
}

TEST(DecodeScanResult, RecordTypesTheirLinesAndItems) {
    struct Case {
        ScanRecord record;
        const char* text;
        int item;
    };
    const Case cases[] = {
        {{1, 2, 0, 0, 1}, "Def Page Does Not Exist. Ch#02\r\n", 47},
        {{2, 3, 0, 0, 2}, "Remap Page Is ECC Fail. Ch#03\r\n", 48},
        {{1, 2, 0, 0, 0}, "Code Page Does Not Exist. Ch#02\r\n", 47},
        {{1, 2, 0, 0, 9}, " Does Not Exist. Ch#02\r\n", 47},   // a page kind the table lacks names nothing
        {{4, 0, 0, 0}, "Number of free block is too large.\r\n", 50},
        {{5, 0, 0, 0, 300}, "Total bad block number (300) is over (MaxFreeBlcokNum-25)\r\n", 51},
        {{6, 0, 0, 0}, "Build Table Fail.\r\n", 52},
        {{7, 1, 2, 0, 0x1A2}, "Ch#01, Bank#02, BlockNo#01A2\r\n", 7},
        {{8, 1, 2, 0, 0x1A2, 0x3F, 5}, "Ch#01, Bank#02, BlockNo#01A2, Page#3F, ErrorCode=5\r\n", 7},
        {{9, 3, 0, 0}, "Ch#03 Try Remap Fail\r\n", 53},
        {{0x83, 1, 2, 0, 0, 0, 0, {1, 2, 3, 4, 0xAB}}, "Scan Result -  ID: 01 02 03 04 AB (Ch#01, Bank#02)\r\n", 7},
        {{0x40, 1, 2, 0}, "", 7},
    };
    for (const Case& c : cases) {
        const Decoded d = DecodeScan(1, ScanRecords({c.record}));
        EXPECT_EQ(d.text, c.text) << int{c.record.type};
        EXPECT_EQ(d.item, c.item) << int{c.record.type};
    }
}

TEST(DecodeScanResult, SettingRecordsAreSeventeenBytesAndScanCountsFollowTheirRecord) {
    Bytes data = ScanRecords({{0x80, 0, 0, 0}});
    data.push_back(0);   // the 17th byte
    const Bytes id = ScanRecords({{0x82, 0, 0, 0}});
    data.insert(data.end(), id.begin(), id.end());
    data.push_back(0);
    Bytes counts = ScanRecords({{0x81, 0, 0, 0}});
    counts.insert(counts.end(), {0, 4, 8});   // bytes 16..18
    data.insert(data.end(), counts.begin(), counts.end());
    const Decoded d = DecodeScan(3, data);
    EXPECT_EQ(d.text,
              "Flash Setting - Ch:02 , Bank:04\r\n"
              "Flash Setting - ID: 98 DE 94 93 76\r\n"
              "Scan Result -  Ch:04 , Bank:08\r\n");
}

TEST(DecodeScanResult, ReadsOnlyWithinTheBuffer) {
    // A count above what the buffer holds, and a 0x81 record at the very end.
    Decoded d = DecodeScan(200, ScanRecords({{9, 1, 0, 0}}));
    EXPECT_EQ(d.text, "Ch#01 Try Remap Fail\r\n");
    d = DecodeScan(2, ScanRecords({{9, 1, 0, 0}, {0x81, 0, 0, 0}}));
    EXPECT_EQ(d.text, "Ch#01 Try Remap Fail\r\n");
    Bytes cut = ScanRecords({{6, 0, 0, 0}});
    cut.resize(15);
    EXPECT_EQ(DecodeScan(1, cut).text, "");
}

TEST(DecodeScanResult, ZeroPlaneSizeGivesRatioZero) {
    FlashConfig config = TwoChannels();
    config.FlashGeometry.BlocksPerPlane = 0;
    std::string text;
    DecodeScanResult(1, ScanRecords({{3, 0, 0, 0, 40}}), config, text);
    EXPECT_NE(text.find("BadBlockNumRatio(1/1000): 0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qx
