// Transport result codes through fault injection on the virtual clock.
#include <gtest/gtest.h>

#include <cstring>

#include "qxlib/transport/pass_through.h"
#include "support/rack_fixture.h"

namespace qx {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::uint8_t kIdentify12[12] = {0xA1, 0x08, 0x0B, 0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xEC, 0x00, 0x00};

// READ DMA EXT of `count` sectors at LBA 0x10, as a 16-byte SAT block.
Bytes ReadDmaExt16(std::uint16_t count) {
    return {0x85, 0x0D, 0x0E, 0x00, 0x00, static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count),
            0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x25, 0x00};
}

sim::FaultRule Fault(sim::FaultKind kind) {
    sim::FaultRule f;
    f.kind = kind;
    return f;
}

class Transport : public test::RackFixture {
protected:
    Transport() { logUse_ = LogUse::Requests; }

    void SetUp() override {
        RackFixture::SetUp();
        DeviceSlots[test::kSataSlot].DirectAta = 1;
    }
    int Identify(std::uint8_t* buf) { return ExecSlotPassThrough(test::kSataSlot, true, kIdentify12, 12, buf, 512, false); }
};

TEST_F(Transport, EmptyPathIsRefusedWithoutOpening) {
    static const char empty[] = "";
    DeviceSlots[5].InterfacePath = empty;
    std::uint8_t buf[512];
    EXPECT_EQ(ExecSlotPassThrough(5, true, kIdentify12, 12, buf, 512, false), -1);
    EXPECT_EQ(ExecSlotSCSIPassThrough(5, true, kIdentify12, 10, buf, 512), -1);
    EXPECT_EQ(ExecSlotPassThrough(kSlotCount, true, kIdentify12, 12, buf, 512, false), -1);
    EXPECT_EQ(ExecSlotPassThrough(-1, true, kIdentify12, 12, buf, 512, false), -1);
    DeviceSlots[5].InterfacePath.clear();
    EXPECT_TRUE(Log().empty());
}

TEST_F(Transport, DirectAtaUnpacksTheSatBlockIntoATaskFile) {
    std::uint8_t buf[512] = {};
    EXPECT_EQ(Identify(buf), 1);
    const auto log = Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].route, sim::Route::Ata);
    EXPECT_EQ(log[0].current, (platform::TaskFile{0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xEC, 0x00}));
    EXPECT_EQ(log[0].timeout.count(), 10);
    EXPECT_FALSE(log[0].ext48);

    // A 16-byte block with the 48-bit flag clear is read as the 12-byte form.
    rack_.Log().Clear();
    const Bytes b16 = ReadDmaExt16(1);
    ExecSlotPassThrough(test::kSataSlot, true, b16.data(), 16, buf, 512, false);
    EXPECT_EQ(Log()[0].current, (platform::TaskFile{b16[3], b16[4], b16[5], b16[6], b16[7], b16[8], b16[9], 0}));
}

TEST_F(Transport, FortyEightBitBlocksCarryTheHighHalvesAndAskForDma) {
    std::vector<std::uint8_t> buf(65536);
    const Bytes b = ReadDmaExt16(128);
    EXPECT_EQ(ExecSlotPassThrough(test::kSataSlot, true, b.data(), 16, buf.data(), 65536, true), 1);
    const auto log = Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].ext48);
    EXPECT_TRUE(log[0].dma);
    EXPECT_EQ(log[0].wireLength, 65536u);
    EXPECT_EQ(log[0].current, (platform::TaskFile{0x00, 0x80, 0x10, 0x00, 0x00, 0xE0, 0x25, 0x00}));
    EXPECT_EQ(log[0].previous, (platform::TaskFile{0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x25, 0x00}));
}

TEST_F(Transport, AtaLengthsOutsideTheBufferAreRefused) {
    std::vector<std::uint8_t> buf(65537);
    std::uint8_t tf[8] = {0, 0, 0, 0, 0, 0xE0, 0x25, 0};
    std::uint8_t prev[8] = {};
    EXPECT_EQ(ReadATACommandWithTimeOutValueExt(sataPath_.c_str(), tf, prev, buf.data(), 65537, 10), -1);
    EXPECT_EQ(ReadATACommandWithTimeOutValueExt(sataPath_.c_str(), tf, prev, buf.data(), -1, 10), -1);
    EXPECT_TRUE(Log().empty());
}

TEST_F(Transport, AtaOutcomesMapToResultCodes) {
    struct Case {
        const char* name;
        std::vector<sim::FaultRule> faults;
        bool readDmaExt;
        int expected;
        const char* trace;
    };
    auto latency = [](std::uint64_t ms) {
        auto f = Fault(sim::FaultKind::Latency);
        f.latencyMs = ms;
        return f;
    };
    auto ataError = [](std::uint8_t error) {
        auto f = Fault(sim::FaultKind::AtaError);
        f.ataError = error;
        return f;
    };
    const Case cases[] = {
        {"device error", {ataError(0x04)}, false, -2, nullptr},
        {"uncorrectable read", {ataError(0x40)}, true, -3, "UNC(ReadATACommandWithTimeOutValueExt)\r\n"},
        {"uncorrectable bit on another command", {ataError(0x40)}, false, -2, nullptr},
        {"system call fails", {Fault(sim::FaultKind::SyscallFails)}, false, -1, "ReadATACommandWithTimeOutValue() fail\r\n"},
        {"open fails", {Fault(sim::FaultKind::OpenFails)}, false, -2, nullptr},
        {"11 s on a 10 s time-out", {latency(11'000)}, false, 0, "Timeout = 11 sec\r\n"},
        {"10.9 s is still in time", {latency(10'900)}, false, 1, nullptr},
        {"slow and failing is a time-out", {latency(12'000), ataError(0x04)}, false, 0, "Timeout = 12 sec\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sataDrive_->ClearFaults();
        for (const auto& f : c.faults) sataDrive_->AddFault(f);
        traces_.clear();
        std::vector<std::uint8_t> buf(512);
        int r;
        if (c.readDmaExt) {
            const Bytes b = ReadDmaExt16(1);
            r = ExecSlotPassThrough(test::kSataSlot, true, b.data(), 16, buf.data(), 512, true);
        } else {
            r = Identify(buf.data());
        }
        EXPECT_EQ(r, c.expected);
        if (c.trace) {
            ASSERT_FALSE(traces_.empty());
            EXPECT_EQ(traces_.back(), c.trace);
        }
    }
}

TEST_F(Transport, ScsiRouteCodesAndTraces) {
    DeviceSlots[test::kSataSlot].DirectAta = 0;
    std::uint8_t buf[512];
    EXPECT_EQ(Identify(buf), 1);

    // CHECK CONDITION counts as done on the command route...
    auto cc = Fault(sim::FaultKind::CheckCondition);
    cc.sense = {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0};
    sataDrive_->AddFault(cc);
    EXPECT_EQ(Identify(buf), 1);
    // ...but a sector read the drive refused with a medium error did not happen.
    EXPECT_EQ(ReadSectorsSCSI(sataPath_.c_str(), buf, 0, 512), 0);
    sataDrive_->ClearFaults();
    EXPECT_EQ(ReadSectorsSCSI(sataPath_.c_str(), buf, 0, 512), 1);

    auto sys = Fault(sim::FaultKind::SyscallFails);
    sys.errorCode = 121;
    sataDrive_->AddFault(sys);
    EXPECT_EQ(Identify(buf), -2);
    EXPECT_EQ(traces_.back(), "LastError(ReadSCSICommandWithTimeOutValue)[1] = 121\r\n");
    sataDrive_->ClearFaults();

    sataDrive_->AddFault(Fault(sim::FaultKind::OpenFails));
    EXPECT_EQ(ExecSlotPassThrough(test::kSataSlot, false, kIdentify12, 12, nullptr, 0, false), -2);
    EXPECT_EQ(traces_.back(), "WriteSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = " + sataPath_ + "\r\n");
}

TEST_F(Transport, ScsiTimeoutsFollowThePathAndDirection) {
    DeviceSlots[test::kSataSlot].DirectAta = 0;
    std::uint8_t buf[512];
    const std::uint8_t read10[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    const std::uint8_t write10[10] = {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    ExecSlotPassThrough(test::kUsbSlot, true, read10, 10, buf, 512, false);     // 300
    ExecSlotPassThrough(test::kSataSlot, true, read10, 10, buf, 512, false);    // 10
    ExecSlotPassThrough(test::kUsbSlot, false, write10, 10, buf, 512, false);   // 10
    ExecSlotSCSIPassThrough(test::kSataSlot, true, read10, 10, buf, 512);       // path holds "usb": 300
    ReadSectorsSCSI(sataPath_.c_str(), buf, 0, 512);                             // 300
    const auto log = Log();
    ASSERT_EQ(log.size(), 5u);
    const int expected[] = {300, 10, 10, 300, 300};
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(log[i].timeout.count(), expected[i]) << i;

    // A path without "usb" reads with 5 s.
    const std::string ide = "\\\\.\\ide#disk0";
    rack_.AddDrive(ide, sim::DriveConfig{});
    rack_.Log().Clear();
    ReadSectorsSCSI(ide.c_str(), buf, 0, 512);
    EXPECT_EQ(Log()[0].timeout.count(), 5);
}

TEST_F(Transport, OneByteTransfersMoveTwoBytesOnTheWire) {
    const std::uint8_t inquiry[6] = {0x12, 0, 0, 0, 0x01, 0};
    std::uint8_t one[2] = {0, 0xEE};
    std::uint32_t moved = 0;
    EXPECT_EQ(ReadSCSICommand(usbPath_.c_str(), inquiry, 6, one, 1, &moved), 1);
    EXPECT_EQ(Log()[0].wireLength, 2u);
    EXPECT_EQ(one[1], 0xEE);   // the caller's second byte is untouched
    EXPECT_LE(moved, 1u);
}

TEST_F(Transport, ACancelledWorkerSendsNothing) {
    platform::CancelToken token;
    platform::CancelScope scope(token);
    token.Cancel();
    std::uint8_t buf[512];
    EXPECT_EQ(Identify(buf), -2);
    DeviceSlots[test::kSataSlot].DirectAta = 0;
    EXPECT_EQ(Identify(buf), -2);
    EXPECT_TRUE(Log().empty());
}

}  // namespace
}  // namespace qx
