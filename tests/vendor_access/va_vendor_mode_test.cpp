// The vendor mode switch, the enable command and the jump into a program in
// controller RAM, on both paths, with their waits on the virtual clock.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "qxlib/vendor_access/v_access.h"
#include "qxlib/transport/vendor_builders.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

class VendorModeTest : public VendorFixture {
protected:
    VendorModeTest() { logUse_ = LogUse::Requests; }
};

sim::FaultRule TransportFails(std::optional<std::uint8_t> sub, std::optional<std::uint8_t> opcode = {}) {
    sim::FaultRule f;
    f.kind = sim::FaultKind::SyscallFails;
    f.vendorSub = sub;
    f.opcode = opcode;
    return f;
}

TEST_F(VendorModeTest, FeatureSwitchIsSetFeaturesDcOnSataAndNothingOnUsb) {
    ASSERT_TRUE(VA_SetVendorFeature(kSataSlot, true));
    EXPECT_TRUE(DriveOf(kSataSlot).VendorMode());
    ASSERT_TRUE(VA_SetVendorFeature(kSataSlot, false));
    EXPECT_FALSE(DriveOf(kSataSlot).VendorMode());
    const auto log = Requests(kSataSlot);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].cdb, (std::vector<std::uint8_t>{0xA1, 0x06, 0x00, 0xDC, 0x51, 0, 0, 0, 0xE0, 0xEF, 0, 0}));
    EXPECT_EQ(log[1].cdb[4], 0x58);

    EXPECT_TRUE(VA_SetVendorFeature(kUsbSlot, true));
    EXPECT_TRUE(Requests(kUsbSlot).empty());
}

TEST_F(VendorModeTest, EnableSendsTheModeWaitsHalfASecondThenTakesVendorMode) {
    const struct {
        int slot;
        Texts words;
    } cases[] = {{kSataSlot, {"V83", "SF51"}}, {kUsbSlot, {"V83"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        VendorModeOn(c.slot);
        const std::uint64_t start = clock_.NowMs();
        ASSERT_TRUE(VA_EnableVendorCmd(c.slot, 10));
        EXPECT_EQ(Sent(c.slot), c.words);
        EXPECT_EQ(VendorBlocks(c.slot)[0][3], 10);
        EXPECT_EQ(clock_.NowMs() - start, 500u);
        const auto log = Requests(c.slot);
        EXPECT_EQ(log.back().timeMs - log.front().timeMs, c.slot == kSataSlot ? 500u : 0u);
        EXPECT_TRUE(LayerTraces().empty());
    }
}

TEST_F(VendorModeTest, EnableThatFailsStopsWithoutTraceOrWait) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        VendorModeOn(slot);
        DriveOf(slot).AddFault(TransportFails(0x83));
        const std::uint64_t start = clock_.NowMs();
        EXPECT_FALSE(VA_EnableVendorCmd(slot, 1));
        EXPECT_EQ(Sent(slot), (Texts{"V83"}));
        EXPECT_EQ(clock_.NowMs(), start);
        EXPECT_FALSE(Traced("FAILED(VA_EnableVendorCmd)\r\n"));
    }
}

TEST_F(VendorModeTest, EnableWhoseVendorFeatureFailsIsTraced) {
    VendorModeOn(kSataSlot);
    DriveOf(kSataSlot).AddFault(TransportFails({}, 0xEF));
    EXPECT_FALSE(VA_EnableVendorCmd(kSataSlot, 10));
    EXPECT_EQ(Sent(kSataSlot), (Texts{"V83", "SF51"}));
    EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_EnableVendorCmd)\r\n"}));
}

TEST_F(VendorModeTest, JumpStartsTheProgramAndAnswersTrueWhateverTheFeatureSays) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        SetState(slot, sim::ControllerState::DownloadReady);
        VendorModeOn(slot);
        if (slot == kSataSlot) DriveOf(slot).AddFault(TransportFails({}, 0xEF));
        const std::uint64_t start = clock_.NowMs();
        EXPECT_TRUE(VA_JumpToPRAM(slot));
        EXPECT_EQ(Sent(slot), (slot == kSataSlot ? Texts{"V82", "SF51"} : Texts{"V82"}));
        EXPECT_EQ(clock_.NowMs() - start, 500u);
        EXPECT_TRUE(LayerTraces().empty());
    }
}

TEST_F(VendorModeTest, JumpThatFailsIsTraced) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        traces_.clear();
        VendorModeOn(slot);
        DriveOf(slot).AddFault(TransportFails(0x82));
        EXPECT_FALSE(VA_JumpToPRAM(slot));
        EXPECT_EQ(Sent(slot), (Texts{"V82"}));
        EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_JumpToPRAM)\r\n"}));
    }
}

TEST_F(VendorModeTest, CancelledWorkerLeavesTheStateChangeWaitAtOnce) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        traces_.clear();
        VendorModeOn(slot);
        platform::CancelToken token;
        platform::CancelScope scope(token);
        CancelOnWaitClock cancelling(clock_, token);
        platform::SetClock(&cancelling);
        const std::uint64_t start = clock_.NowMs();
        EXPECT_FALSE(VA_EnableVendorCmd(slot, 10));
        EXPECT_EQ(Sent(slot), (Texts{"V83"}));   // no vendor feature after the cancel
        EXPECT_EQ(clock_.NowMs(), start);
        EXPECT_EQ(LayerTraces(), (Texts{"FAILED(VA_EnableVendorCmd)\r\n"}));
        platform::SetClock(&clock_);
    }
}

}  // namespace
}  // namespace qx::test
