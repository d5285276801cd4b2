// The bus interface test against the test program's memory buffers.
#include <gtest/gtest.h>

#include "qxlib/base/byte_order.h"
#include "qxlib/vendor_access/va_bus_test.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class BusTestTest : public VendorFixture {
protected:
    BusTestTest() { logUse_ = LogUse::Requests; }

    void SetUp() override {
        VendorFixture::SetUp();
        for (int slot : kBothSlots) RunProgram(slot, sim::ProgramKind::Test);
    }
    void StuckBits(int slot, std::uint16_t bits) {
        auto hold = DriveOf(slot).Lock();
        DriveOf(slot).Model().cfg.busStuckBits = bits;
    }
};

TEST_F(BusTestTest, TenRoundsOfWriteAndReadBack) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Bytes buffer(kBusTestBufferSize);
        ASSERT_TRUE(VA_BusInterfaceTest(slot, buffer, 1));
        const auto blocks = VendorBlocks(slot, 16);
        ASSERT_EQ(blocks.size(), 20u);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i][2], i % 2 == 0 ? 0x24 : 0x23);
            EXPECT_EQ(blocks[i][3], 1);
            EXPECT_EQ(get_be32(&blocks[i][4]), kBusTestAddress);
        }
        // The last round's pattern is what the drive holds: base 0x1000 + 99.
        auto hold = DriveOf(slot).Lock();
        const Bytes& held = DriveOf(slot).Model().busBuffers[1];
        ASSERT_EQ(held.size(), kBusTestBufferSize);
        EXPECT_EQ(get_le16(&held[0]), 0x1063);
        EXPECT_EQ(get_le16(&held[2 * 16383]), static_cast<std::uint16_t>(0x1063 + 16383));
        EXPECT_EQ(Bytes(buffer.begin(), buffer.end()), held);
    }
}

TEST_F(BusTestTest, PatternWordsWrapAt16Bits) {
    Bytes buffer(kBusTestBufferSize + 8, 0xEE);
    ASSERT_TRUE(VC_TST_WriteBuffer(kUsbSlot, buffer, 0, 0xFFFE));
    EXPECT_EQ(get_le16(&buffer[0]), 0xFFFE);
    EXPECT_EQ(get_le16(&buffer[2]), 0xFFFF);
    EXPECT_EQ(get_le16(&buffer[4]), 0x0000);
    EXPECT_EQ(buffer[kBusTestBufferSize], 0xEE);   // only the 32 KB are touched
    ASSERT_TRUE(VC_TST_CheckBuffer(kUsbSlot, buffer, 0, 0xFFFE));
    EXPECT_FALSE(VC_TST_CheckBuffer(kUsbSlot, buffer, 0, 0xFFFD));
}

TEST_F(BusTestTest, StuckDataLineFailsTheFirstRound) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        StuckBits(slot, 0x0200);
        Bytes buffer(kBusTestBufferSize);
        EXPECT_FALSE(VA_BusInterfaceTest(slot, buffer, 0));
        EXPECT_EQ(VendorBlocks(slot).size(), 2u);
        EXPECT_TRUE(LayerTraces().empty());
    }
}

TEST_F(BusTestTest, FailedCommandsEndTheTest) {
    struct Case {
        std::uint8_t sub;
        Texts traces;
    };
    for (const Case& c : {Case{0x24, {"FAILED(VC_TST_WriteBuffer)\r\n"}}, Case{0x23, {}}}) {
        SCOPED_TRACE(static_cast<int>(c.sub));
        ClearLog();
        DriveOf(kSataSlot).ClearFaults();
        sim::FaultRule f;
        f.vendorSub = c.sub;
        DriveOf(kSataSlot).AddFault(f);
        Bytes buffer(kBusTestBufferSize);
        EXPECT_FALSE(VA_BusInterfaceTest(kSataSlot, buffer, 0));
        EXPECT_EQ(LayerTraces(), c.traces);
        EXPECT_EQ(VendorBlocks(kSataSlot).size(), c.sub == 0x24 ? 1u : 2u);
    }
}

TEST_F(BusTestTest, BufferUnder32KbIsRefused) {
    Bytes buffer(kBusTestBufferSize - 2);
    EXPECT_FALSE(VA_BusInterfaceTest(kUsbSlot, buffer, 0));
    EXPECT_FALSE(VC_TST_CheckBuffer(kUsbSlot, buffer, 0, 0x1000));
    EXPECT_TRUE(Requests(kUsbSlot).empty());
}

}  // namespace
}  // namespace qx::test
