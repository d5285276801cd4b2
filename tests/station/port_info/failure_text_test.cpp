// What the failure dialog lists for a port's error item and its detail data.
#include <gtest/gtest.h>

#include <vector>

#include "qxlib/base/byte_order.h"
#include "qxlib/error_items/error_items.h"
#include "qxlib/rw/rw_error_record.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/transport/device_slot.h"
#include "station/port_info/failure_text.h"

namespace qx::test {
namespace {

using Entries = std::vector<std::string>;
using station::FailureEntries;

class FailureTextTest : public ::testing::Test {
protected:
    FailureTextTest() : detail_(kItemTextSize, 0) { config_.FlashGeometry.SectorsPerPage = 8; }
    std::vector<std::uint8_t> detail_;
    FlashConfig config_{};
};

TEST_F(FailureTextTest, ItemsWithoutDecodedDetailShowTheirFailureTextOnly) {
    // Rubbish in the buffer must not matter to the items that do not decode it.
    std::fill(detail_.begin(), detail_.end(), std::uint8_t{0xBB});
    EXPECT_EQ(FailureEntries(42, detail_, config_), Entries{"Timeout"});
    for (int code : {2, 3, 5, 9, 12, 42, 86, 87}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(FailureEntries(code, {}, config_), Entries{std::string(ErrorItemFailText(code))});
    }
}

TEST_F(FailureTextTest, LaterBadCountsInTheirOrderThenTheHexDump) {
    detail_[0] = 0xBB;
    for (std::uint32_t t = 0; t < 5; ++t) put_le32(&detail_[1 + 4 * t], 100 + t);
    const Entries e = FailureEntries(11, detail_, config_);
    ASSERT_GE(e.size(), 6u);
    EXPECT_EQ(e[0], "The Later Bad Counts are too large");
    EXPECT_EQ(e[1], "Read fail count is (104)\n");
    EXPECT_EQ(e[2], "Program fail count is (102)\n");
    EXPECT_EQ(e[3], "Erase fail count is (101)\n");
    EXPECT_EQ(e[4], "Uncorrectable ECC fail count is (103)\n");
    // Bytes from 2: 0x00, then total 0's upper bytes, total 1 ...
    EXPECT_EQ(e[5], "0000 : 00, 00, 00, 65, 00, 00, 00, 66\n");
    EXPECT_EQ(e.size(), 5u + 256u);   // a page is longer than the buffer: its 2,046 bytes
}

TEST_F(FailureTextTest, TableKindsNameTheirPageOrChannel) {
    const struct {
        std::uint8_t kind;
        std::uint8_t channel;
        Entries head;
    } cases[] = {
        {1, 0, {"Table compare fail", "Page #1 is error"}},
        {6, 0, {"Table compare fail", "Page #6 is error"}},
        {208, 3, {"ch 3 defect table compare fail"}},
        {209, 1, {"ch 1 early table compare fail"}},
        {210, 2, {"ch 2 remap table compare fail"}},
        {211, 0, {"ch 0 smart table compare fail"}},
        {77, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        detail_[0] = c.kind;
        detail_[1] = c.channel;
        const Entries e = FailureEntries(8, detail_, config_);
        ASSERT_EQ(e.size(), c.head.size() + 256u);
        EXPECT_EQ(Entries(e.begin(), e.begin() + static_cast<std::ptrdiff_t>(c.head.size())), c.head);
    }
}

TEST_F(FailureTextTest, TheHexDumpStopsAtTheEndOfTheDetailBuffer) {
    config_.FlashGeometry.SectorsPerPage = 16;   // a page longer than the buffer
    detail_[0] = 2;
    detail_[kItemTextSize - 1] = 0x5A;
    const Entries e = FailureEntries(44, detail_, config_);
    // 2,046 bytes: 255 whole lines and a last one of 6 bytes.
    ASSERT_EQ(e.size(), 2u + 256u);
    EXPECT_EQ(e.back(), "07F8 : 00, 00, 00, 00, 00, 5A\n");
}

TEST_F(FailureTextTest, TransferFailuresNameTheirLbaUnsigned) {
    const struct {
        RWErrorRecord record;
        Entries tail;
    } cases[] = {
        {{1, 0x80000001u, 0, 0, 0}, {"Write fail on LBA(2147483649)"}},
        {{2, 1234, 0, 0, 0}, {"Read fail on LBA(1234)"}},
        {{3, 77, 0xA5A5, 0x5A5A, 9}, {"Comapre fail on LBA(77), offset(9)(WORD)", "expected(0xA5A5)", "received(0x5A5A)"}},
        {{9, 1, 2, 3, 4}, {}},
    };
    for (int code : {10, 24, 25, 27, 32})
        for (const auto& c : cases) {
            SCOPED_TRACE(code);
            PutRWErrorRecord(detail_, c.record);
            Entries want{std::string(ErrorItemFailText(code))};
            want.insert(want.end(), c.tail.begin(), c.tail.end());
            EXPECT_EQ(FailureEntries(code, detail_, config_), want);
        }
}

TEST_F(FailureTextTest, ScanAndFlashTestResultsAreOneEntryEach) {
    for (int code : {1, 4, 7, 41}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(FailureEntries(code, detail_, config_).size(), 1u);
        EXPECT_EQ(FailureEntries(code, {}, config_).size(), 1u);
    }
}

// A step that failed before its drive reported any finding (a stopped run, a
// drive that stopped answering) leaves no records: the dialog still says
// what failed instead of opening empty.
TEST_F(FailureTextTest, AResultWithoutFindingsShowsTheFailureText) {
    detail_[4] = 0xFF;   // the flash test's list ends at its first record
    for (int code : {1, 4, 7, 41}) {
        SCOPED_TRACE(code);
        const Entries want{std::string(ErrorItemFailText(code))};
        EXPECT_EQ(FailureEntries(code, detail_, config_), want);
        EXPECT_EQ(FailureEntries(code, {}, config_), want);
    }
    detail_[4] = 0;
    // A finding is shown as decoded, without the failure text before it.
    config_.ChannelCount = 2;
    config_.FlashGeometry.BlocksPerPlane = 2048;
    detail_[0] = 1;                     // one record
    detail_[1] = 3;                     // over the defect ratio
    detail_[2] = 1;                     // channel 1
    detail_[5] = 40;                    // 40 bad blocks
    const Entries preformat = FailureEntries(7, detail_, config_);
    ASSERT_EQ(preformat.size(), 1u);
    EXPECT_EQ(preformat[0].rfind("Number of bad block is over defect ratio:\r\n", 0), 0u) << preformat[0];
}

}  // namespace
}  // namespace qx::test
