#include <cstring>

#include "results_fixture.h"

#include <algorithm>

#include "qxlib/error_items/test_result_decode.h"
#include "qxlib/transport/device_slot.h"
#include "station/results/error_dump.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

FlashConfig Flash(std::uint8_t sectorsPerPage) {
    FlashConfig config{};
    config.ChannelCount = 2;
    config.BankCount = 4;
    config.FlashGeometry.SectorsPerPage = sectorsPerPage;
    config.FlashGeometry.BlocksPerPlane = 2048;
    return config;
}

Bytes DownloadDetail(std::uint8_t kind, std::uint8_t channel) {
    Bytes detail(kItemTextSize);
    detail[0] = kind;
    detail[1] = channel;
    for (std::size_t i = 2; i < detail.size(); ++i) detail[i] = static_cast<std::uint8_t>(i - 2);
    return detail;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

TEST(ErrorDump, DownloadCompareKindsAndHexLines) {
    struct Case {
        std::uint8_t kind;
        const char* first;
    };
    const Case cases[] = {
        {0xD0, "ch 3 defect table compare fail"},
        {0xD1, "ch 3 early table compare fail"},
        {0xD2, "ch 3 remap table compare fail"},
        {0xD3, "ch 3 smart table compare fail"},
        {0x42, nullptr},
    };
    for (const Case& c : cases) {
        PortRecord record{};
        const Bytes detail = DownloadDetail(c.kind, 3);
        const std::string text = station::BuildErrorDump(8, detail, Flash(1), record);
        const std::size_t hexEnd = text.size() - 512;
        ASSERT_EQ(text.substr(hexEnd), std::string(reinterpret_cast<const char*>(detail.data()), 512))
            << "the detail's first 512 bytes follow unchanged";
        const std::vector<std::string> lines = Lines(text.substr(0, hexEnd));
        const std::size_t head = c.first ? 1 : 0;
        ASSERT_EQ(lines.size(), head + 64) << "one line per 8 bytes of a 512-byte page";
        if (c.first) {
            EXPECT_EQ(lines[0], c.first);
        }
        EXPECT_EQ(lines[head], "0000 : 00, 01, 02, 03, 04, 05, 06, 07");
        EXPECT_EQ(lines[head + 1], "0008 : 08, 09, 0A, 0B, 0C, 0D, 0E, 0F");
        EXPECT_EQ(lines.back(), "01F8 : F8, F9, FA, FB, FC, FD, FE, FF");
    }
}

TEST(ErrorDump, DownloadDumpStopsAtTheKeptDetail) {
    // Four sectors a page ask for 2048 bytes; 2046 follow the two head bytes.
    PortRecord record{};
    const std::string text = station::BuildErrorDump(8, DownloadDetail(0xD0, 0), Flash(4), record);
    const std::vector<std::string> lines = Lines(text.substr(0, text.size() - 512));
    ASSERT_EQ(lines.size(), 1u + 256u);
    EXPECT_EQ(lines[255], "07F0 : F0, F1, F2, F3, F4, F5, F6, F7");
    EXPECT_EQ(lines[256], "07F8 : F8, F9, FA, FB, FC, FD") << "the last line shows the bytes that exist";
    // A page larger than the detail: the dump ends at the detail too.
    const std::string big = station::BuildErrorDump(8, DownloadDetail(0xD0, 0), Flash(32), record);
    EXPECT_EQ(big, text);
}

TEST(ErrorDump, DecodedItemsCountOnlyThisRunsUnits) {
    // Flash interface test: records from byte 4, one bad unit.
    Bytes flash(kItemTextSize, 0);
    const std::uint8_t rec[] = {1, 3, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    std::memcpy(flash.data() + 4, rec, sizeof rec);
    PortRecord record{};
    record.DisplayCode = 4;
    record.BadUnitCount = 5;   // left from an earlier run
    const std::string text = station::BuildErrorDump(4, flash, Flash(8), record);
    EXPECT_EQ(record.DisplayCode, 55);
    EXPECT_EQ(record.BadUnitCount, 1);
    EXPECT_EQ(record.BadUnitIndex, 7);
    std::string expected;
    int item = 4;
    int count = 0;
    int index = 0;
    DecodeFlashTestResult(flash, Flash(8), expected, &item, &count, &index);
    EXPECT_EQ(text, expected);

    // Pre-format scan: the count in byte 0, the records after it.
    Bytes scan(kItemTextSize, 0);
    record = {};
    record.DisplayCode = 7;
    record.BadUnitCount = 3;
    EXPECT_EQ(station::BuildErrorDump(7, scan, Flash(8), record), "");
    EXPECT_EQ(record.BadUnitCount, 0);
    EXPECT_EQ(record.DisplayCode, 7);
}

class ErrorDumpFiles : public ResultsFixture {
protected:
    void SetUp() override {
        ResultsFixture::SetUp();
        ASSERT_TRUE(AllocDeviceSlotBuffers());
        flash_.FlashGeometry.SectorsPerPage = 1;
    }
    void TearDown() override {
        FreeDeviceSlotBuffers();
        ResultsFixture::TearDown();
    }
    void Detail(int port, int item, std::uint8_t kind) {
        const std::span<char> text = ItemText(port, item);
        std::memset(text.data(), 0, text.size());
        text[0] = static_cast<char>(kind);
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ErrorDumpFiles, OnlyThisRunsFailuresOfTheThreeItems) {
    run_.endTime = kRunEnd;
    Port(0, "SN-DOWN", -1);                   // item 8: dumped
    Detail(0, 8, 0xD2);
    Port(1, "SN-RW", -1).ErrorCode = 10;      // another item: no file
    Port(2, "SN-PASSED", 1).ErrorCode = 8;    // passed after an earlier failure: no file
    Port(3, "SN-GONE", -1).Connected = 0;     // not connected: no file
    const std::string longSerial(45, 'L');
    Port(4, longSerial.c_str(), -1).ErrorCode = 7;
    Detail(4, 7, 0);
    writer_.WriteErrorDumps(run_);
    const std::string name40 = "Error_201506141011_05_" + std::string(40, 'L') + ".txt";
    EXPECT_EQ(Files(), (std::vector<std::string>{"Error_201506141011_01_SN-DOWN.txt", name40}));
    const std::string dump = Read("Error_201506141011_01_SN-DOWN.txt");
    EXPECT_EQ(dump.substr(0, 33), "ch 0 remap table compare fail\r\n00");
    EXPECT_EQ(Read(name40), "");

    // Same port, same minute, same serial: the file is replaced.
    Detail(0, 8, 0xD3);
    writer_.WriteErrorDumps(run_);
    EXPECT_EQ(Read("Error_201506141011_01_SN-DOWN.txt").substr(0, 29), "ch 0 smart table compare fail");
    EXPECT_EQ(Read("Error_201506141011_01_SN-DOWN.txt").size(), dump.size());
}

TEST_F(ErrorDumpFiles, SerialIsMadeSafeForTheFileName) {
    run_.endTime = kRunEnd;
    Port(0, "A/B\\C:D", -1);
    writer_.WriteErrorDumps(run_);
    EXPECT_EQ(Files(), (std::vector<std::string>{"Error_201506141011_01_A_B_C_D.txt"}));
}

}  // namespace
}  // namespace qx::test
