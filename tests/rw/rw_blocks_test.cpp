// The block operations: what they write and compare, and the record a
// failed transfer or comparison leaves in the buffer, on both paths.
#include <gtest/gtest.h>

#include "qxlib/rw/rw_blocks.h"
#include "rw/rw_fixture.h"

namespace qx::test {
namespace {

class RwBlocksTest : public RwFixture {
protected:
    RwBlocksTest() { logUse_ = LogUse::Requests; }
};

TEST(TestPattern, RunsOnFromTheLowByteOfTheLba) {
    std::vector<std::uint8_t> block(512);
    FillTestPattern(block, 0x1234);
    EXPECT_EQ(get_le16(&block[0]), 0x3400);
    EXPECT_EQ(get_le16(&block[2]), 0x3401);
    EXPECT_EQ(get_le16(&block[510]), 0x34FF);
    // Across sectors it goes on, and wraps at 16 bits.
    std::vector<std::uint8_t> two(1024);
    FillTestPattern(two, 0xFF);
    EXPECT_EQ(get_le16(&two[510]), 0xFFFF);
    EXPECT_EQ(get_le16(&two[512]), 0x0000);
}

TEST_F(RwBlocksTest, PatternCompareWritesFlushesWaitsAndReadsBack) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        ClearLog();
        const std::uint64_t start = clock_.NowMs();
        ASSERT_TRUE(RWTestPatternCompare(slot, buffer_, 128, 5000));
        EXPECT_GE(clock_.NowMs() - start, 10u);
        const Texts want = slot == kUsbSlot ? Texts{"W10", "R10"} : Texts{"W10", "opA1", "R10"};
        EXPECT_EQ(Sent(slot), want);
        // The pattern stays on the drive for a later read pass.
        ASSERT_TRUE(ReadPatternBlock(slot, buffer_, 128, 5000));
        EXPECT_TRUE(WriteZeroBlock(slot, buffer_, 128, 5000));
        EXPECT_TRUE(ReadCompareConstant(slot, buffer_, 128, 5000, 0));
        EXPECT_EQ(DriveOf(slot).StoredSectorCount(), 0u);
        EXPECT_TRUE(WritePatternBlock(slot, buffer_, 3, 77));
        EXPECT_TRUE(ReadPatternBlock(slot, buffer_, 3, 77));
    }
}

// A stuck bit in the low byte of the 3rd word of the block at LBA 1000.
TEST_F(RwBlocksTest, MismatchLeavesTheComparisonRecord) {
    struct Case {
        const char* name;
        bool (*run)(int, std::span<std::uint8_t>);
        std::uint32_t lba, expected, actual;
    };
    const Case cases[] = {
        {"pattern compare", [](int s, std::span<std::uint8_t> b) { return RWTestPatternCompare(s, b, 4, 1000); },
         1000, 0xE802, 0xE803},
        {"pattern read",
         [](int s, std::span<std::uint8_t> b) { return WritePatternBlock(s, b, 4, 1000) && ReadPatternBlock(s, b, 4, 1000); },
         1000, 0xE802, 0xE803},
        {"constant read", [](int s, std::span<std::uint8_t> b) { return WriteZeroBlock(s, b, 4, 1000) && ReadCompareConstant(s, b, 4, 1000, 0); },
         1002, 0x0000, 0x0001},
    };
    for (int slot : kBothSlots) {
        Media(slot, {sim::MediaFaultKind::StuckBits, 1000, 1, 4, 0x01});
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.name << ", slot " << slot);
            EXPECT_FALSE(c.run(slot, buffer_));
            const RWErrorRecord r = Record();
            EXPECT_EQ(r.Kind, kRWCompareFailed);
            EXPECT_EQ(r.Lba, c.lba);
            EXPECT_EQ(r.Expected, c.expected);
            EXPECT_EQ(r.Actual, c.actual);
            EXPECT_EQ(r.WordIndex, 2u);
        }
    }
}

TEST_F(RwBlocksTest, FailedTransferLeavesKindAndLba) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Media(slot, {sim::MediaFaultKind::WriteFails, 300, 1});
        Media(slot, {sim::MediaFaultKind::ReadFails, 900, 1});
        EXPECT_FALSE(WriteZeroBlock(slot, buffer_, 8, 296));
        EXPECT_EQ(Record().Kind, kRWWriteFailed);
        EXPECT_EQ(Record().Lba, 296u);
        EXPECT_FALSE(RWTestPatternCompare(slot, buffer_, 2, 899));
        EXPECT_EQ(Record().Kind, kRWReadFailed);
        EXPECT_EQ(Record().Lba, 899u);
        EXPECT_FALSE(ReadCompareConstant(slot, buffer_, 1, 900, 0));
        EXPECT_EQ(Record().Kind, kRWReadFailed);
    }
}

TEST_F(RwBlocksTest, BlocksOutsideTheBufferOrTransferSizeAreNotSent) {
    std::vector<std::uint8_t> small(1024);
    for (int slot : kBothSlots) {
        ClearLog();
        EXPECT_FALSE(WriteZeroBlock(slot, small, 3, 0));
        EXPECT_FALSE(ReadPatternBlock(slot, small, 0, 0));
        EXPECT_FALSE(RWTestPatternCompare(slot, buffer_, 129, 0));
        EXPECT_FALSE(WritePatternBlock(slot, std::span<std::uint8_t>{}, 1, 0));
        EXPECT_TRUE(Sent(slot).empty());
    }
}

TEST_F(RwBlocksTest, CancelledSettleWaitFailsBeforeTheRead) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        ClearLog();
        platform::CancelToken token;
        CancelOnWaitClock clock(clock_, token);
        platform::SetClock(&clock);
        bool passed = true;
        {
            platform::CancelScope scope(token);
            passed = RWTestPatternCompare(slot, buffer_, 1, 10);
        }
        platform::SetClock(&clock_);
        EXPECT_FALSE(passed);
        EXPECT_EQ(Sent(slot).back(), slot == kUsbSlot ? "W10" : "opA1");
    }
}

}  // namespace
}  // namespace qx::test
