// From loader to firmware on both paths: the commands, the waits on the
// virtual clock, what the drive is afterwards, and the drives that never get
// there.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/transport/vendor_command.h"
#include "sim/model/code_blocks.h"
#include "support/vendor_fixture.h"

namespace qx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FirmwareModeTest : public VendorFixture {
protected:
    FirmwareModeTest() { logUse_ = LogUse::Requests; }

    void SetUp() override {
        VendorFixture::SetUp();
        // The port scan leaves new drives in vendor mode.
        for (int slot : kBothSlots) VendorModeOn(slot);
    }
    void Boot(int slot, std::uint64_t delayMs, bool never = false, bool noSignature = false) {
        auto hold = DriveOf(slot).Lock();
        auto& cfg = DriveOf(slot).Model().cfg;
        cfg.bootDelayMs = delayMs;
        cfg.neverBoots = never;
        cfg.bootsWithoutSignature = noSignature;
    }
    void BinFiles(int slot, std::uint8_t count) {
        auto hold = DriveOf(slot).Lock();
        auto& m = DriveOf(slot).Model();
        m.nand.Clear();
        m.cfg.binFiles = count;
        sim::InstallCodeBlocks(m);
    }
    sim::ControllerState State(int slot) { return DriveOf(slot).State(); }
    // Milliseconds from the enable command to the end of the call.
    std::uint64_t SinceEnable(int slot) {
        for (const sim::LoggedRequest& r : Requests(slot))
            if (Word(r) == "V83") return clock_.NowMs() - r.timeMs;
        return 0;
    }
    static Texts InfoPageReads(int slot) {
        Texts out;
        for (int c = 0; c < 4; ++c) {
            out.push_back("V89");
            if (slot == kSataSlot) out.push_back("<89");
        }
        return out;
    }
    static Texts Cat(std::initializer_list<Texts> parts) {
        Texts out;
        for (const Texts& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    }
    static Texts Repeat(const Texts& t, int n) {
        Texts out;
        for (int i = 0; i < n; ++i) out.insert(out.end(), t.begin(), t.end());
        return out;
    }

    Bytes page_ = Bytes(kPageSetBytes);
};

TEST_F(FirmwareModeTest, DriveInFirmwareAnswersAtOnceAfterTheLoaderTest) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        SetState(slot, sim::ControllerState::Firmware);
        const std::uint64_t start = clock_.NowMs();
        EXPECT_EQ(EnterFirmwareMode(slot, config_, page_), 1);
        EXPECT_EQ(Sent(slot), (slot == kSataSlot ? Texts{"ID"} : Texts{"INQ"}));
        EXPECT_EQ(clock_.NowMs(), start);
    }
}

// The controller's own USB interface drops off the bus while the firmware
// boots: INQUIRY fails (nothing reaches the drive) until it is back.
TEST_F(FirmwareModeTest, UsbDriveLeavesItsLoaderAndComesBackInFirmware) {
    struct Case {
        std::uint8_t binFiles;
        std::uint8_t mode;
    };
    for (const Case c : {Case{1, 1}, Case{2, 2}}) {
        SCOPED_TRACE(static_cast<int>(c.binFiles));
        ClearLog();
        SetState(kUsbSlot, sim::ControllerState::Loader);
        VendorModeOn(kUsbSlot);
        BinFiles(kUsbSlot, c.binFiles);
        Boot(kUsbSlot, 2000);
        ASSERT_EQ(EnterFirmwareMode(kUsbSlot, config_, page_), 1);
        EXPECT_EQ(State(kUsbSlot), sim::ControllerState::Firmware);
        EXPECT_EQ(Sent(kUsbSlot), Cat({{"INQ"}, InfoPageReads(kUsbSlot), {"V83", "INQ"}}));
        EXPECT_EQ(VendorBlocks(kUsbSlot).back()[3], c.mode);
        // 500 ms for the state change, then INQUIRY at 500 and 1,500 ms
        // fails and at 2,500 ms the firmware answers.
        EXPECT_EQ(SinceEnable(kUsbSlot), 2500u);
        EXPECT_TRUE(LayerTraces().empty());
    }
    // Identity and capacity in firmware.
    EXPECT_FALSE(IsLoaderDevice(kUsbSlot));
    EXPECT_EQ(GetDriveCapacity(kUsbSlot), DriveOf(kUsbSlot).Config().capacitySectors - 1);
}

TEST_F(FirmwareModeTest, SataDriveLeavesItsLoaderAndSignsTheReplyInEveryTransferMode) {
    for (std::uint8_t mode = 0; mode <= 2; ++mode) {
        SCOPED_TRACE(static_cast<int>(mode));
        ClearLog();
        TransferMode = mode;
        SetState(kSataSlot, sim::ControllerState::Loader);
        VendorModeOn(kSataSlot);
        BinFiles(kSataSlot, 2);
        Boot(kSataSlot, 2000);
        ASSERT_EQ(EnterFirmwareMode(kSataSlot, config_, page_), 1);
        EXPECT_EQ(State(kSataSlot), sim::ControllerState::Firmware);
        EXPECT_TRUE(DriveOf(kSataSlot).VendorMode());
        EXPECT_EQ(Bytes(page_.begin(), page_.begin() + 3), (Bytes{0xE5, 0x51, 0x58}));
        // Mode 1 whatever the bin count; while the drive boots it aborts its
        // commands, so the loader test finds no loader name and the
        // signature comes on the third try.
        EXPECT_EQ(VendorBlocks(kSataSlot).back()[3], 1);
        EXPECT_EQ(Sent(kSataSlot),
                  Cat({{"ID"}, InfoPageReads(kSataSlot), {"V83", "SF51", "ID"}, Repeat({"SF51", "reply"}, 3)}));
        EXPECT_EQ(SinceEnable(kSataSlot), 2500u);
        const std::uint8_t readCmd[] = {0xC4, 0x8A, 0x86};
        EXPECT_EQ(Requests(kSataSlot).back().cdb[9], readCmd[mode]);
    }
    EXPECT_FALSE(IsLoaderDevice(kSataSlot));
    EXPECT_EQ(GetDriveCapacity(kSataSlot), DriveOf(kSataSlot).Config().capacitySectors);
    Bytes id(512);
    ASSERT_TRUE(IdentifyDevice(kSataSlot, id.data(), 1));
    SwapBytePairs(id.data() + 54, 40);
    EXPECT_EQ(std::string(id.begin() + 54, id.begin() + 54 + 12), DriveOf(kSataSlot).Config().model);
}

// A stuck loader: it comes straight back, names itself in all three loader
// tests (3 s apart) and never signs the reply in its 11 tries (1 s apart).
TEST_F(FirmwareModeTest, SataLoaderThatNeverHandsOverIsReported) {
    Boot(kSataSlot, 0, true);
    const std::uint64_t start = clock_.NowMs();
    EXPECT_EQ(EnterFirmwareMode(kSataSlot, config_, page_), 0);
    EXPECT_EQ(Sent(kSataSlot), Cat({{"ID"}, InfoPageReads(kSataSlot), {"V83", "SF51"}, Repeat({"ID"}, 3),
                                    Repeat({"SF51", "reply"}, 11)}));
    EXPECT_EQ(SinceEnable(kSataSlot), 500u + 3 * 3000u + 11 * 1000u);
    EXPECT_EQ(clock_.NowMs() - start, 500u + 9000u + 11000u);
    EXPECT_EQ(State(kSataSlot), sim::ControllerState::Loader);
    EXPECT_TRUE(IsLoaderDevice(kSataSlot));
}

TEST_F(FirmwareModeTest, SataFirmwareWithoutSignatureIsReported) {
    Boot(kSataSlot, 2000, false, true);
    EXPECT_EQ(EnterFirmwareMode(kSataSlot, config_, page_), 0);
    EXPECT_EQ(SinceEnable(kSataSlot), 500u + 11 * 1000u);
    EXPECT_EQ(State(kSataSlot), sim::ControllerState::Firmware);
}

// A drive that never answers INQUIRY again in the 11 tries is not in
// firmware: 0, not 1.
TEST_F(FirmwareModeTest, UsbDriveThatNeverComesBackIsReported) {
    Boot(kUsbSlot, 60'000);
    EXPECT_EQ(EnterFirmwareMode(kUsbSlot, config_, page_), 0);
    EXPECT_EQ(Sent(kUsbSlot), Cat({{"INQ"}, InfoPageReads(kUsbSlot), {"V83"}}));
    EXPECT_EQ(SinceEnable(kUsbSlot), 500u + 11 * 1000u);
}

// A USB drive whose loader comes back answers INQUIRY with the loader's
// names: the switch answers 1 as the drive answered, and the loader test
// tells what it runs.
TEST_F(FirmwareModeTest, UsbLoaderThatComesBackIsToldByTheLoaderTest) {
    Boot(kUsbSlot, 2000, true);
    EXPECT_EQ(EnterFirmwareMode(kUsbSlot, config_, page_), 1);
    EXPECT_TRUE(IsLoaderDevice(kUsbSlot));
}

TEST_F(FirmwareModeTest, WithoutInfoPageTheUsbDriveGetsModeOne) {
    BinFiles(kUsbSlot, 0);
    Boot(kUsbSlot, 1000);
    EnterFirmwareMode(kUsbSlot, config_, page_);
    EXPECT_EQ(Sent(kUsbSlot)[1 + 16], "V83");   // after all four blocks were searched
    EXPECT_EQ(VendorBlocks(kUsbSlot).back()[3], 1);
}

TEST_F(FirmwareModeTest, PageBufferThatCannotHoldAPageSetIsRefused) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        traces_.clear();
        Bytes small(kPageSetBytes - 1);
        EXPECT_EQ(EnterFirmwareMode(slot, config_, small), 0);
        EXPECT_TRUE(Requests(slot).empty());
        EXPECT_EQ(LayerTraces(), (Texts{"FAILED(EnterFirmwareMode)\r\n"}));
    }
}

TEST_F(FirmwareModeTest, CancelledWorkerLeavesTheWaitForTheFirmware) {
    for (int slot : kBothSlots) {
        SCOPED_TRACE(slot);
        Boot(slot, 60'000, slot == kSataSlot);
        platform::CancelToken token;
        platform::CancelScope scope(token);
        CancelOnWaitClock cancelling(clock_, token, 2);   // the state change and one more wait
        platform::SetClock(&cancelling);
        EXPECT_EQ(EnterFirmwareMode(slot, config_, page_), 0);
        platform::SetClock(&clock_);
        EXPECT_LE(SinceEnable(slot), 500u + 3000u);
    }
}

}  // namespace
}  // namespace qx::test
