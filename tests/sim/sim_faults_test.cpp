// Fault injection, the request log and the open-handle counter.
#include <gtest/gtest.h>

#include <cerrno>

#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

using platform::Direction;

const Bytes kInquiry = {0x12, 0, 0, 0, 40, 0};
const Bytes kIdentify = Sat12(0x08, 0x0B, 0, 1, 0, 0, 0, 0xE0, 0xEC);

class SimFaultTest : public ::testing::Test, public RackTest {};

TEST_F(SimFaultTest, EachKindFailsTheWayItSays) {
    KeepLog();
    SimDrive& d = rack.AddDrive(kBridgePath, {});
    Bytes data(512);

    d.AddFault(FaultRule::Of(FaultKind::OpenFails).Errno(EACCES).Times(1));
    auto r = SendScsi(kBridgePath, kInquiry, Direction::In, data);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, EACCES);
    EXPECT_EQ(rack.Log().Size(), 0u);   // nothing reached the drive

    d.AddFault(FaultRule::Of(FaultKind::SyscallFails).OnOpcode(0x12).Errno(ETIMEDOUT).Times(1));
    r = SendScsi(kBridgePath, kInquiry, Direction::In, data);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, ETIMEDOUT);

    d.AddFault(FaultRule::Of(FaultKind::CheckCondition)
                   .OnOpcode(0x12)
                   .Sense({0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29, 0})
                   .Times(1));
    r = SendScsi(kBridgePath, kInquiry, Direction::In, data);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.senseLength, 14);
    EXPECT_EQ(r.sense[12], 0x29);

    // ATA ERR on a SAT block: the bridge's descriptor sense with the error byte.
    d.AddFault(FaultRule::Of(FaultKind::AtaError).OnOpcode(0xEC).AtaErrorByte(0x40).Times(1));
    r = SendScsi(kBridgePath, kIdentify, Direction::In, data);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.sense[11], 0x40);
    EXPECT_EQ(r.sense[21], 0x51);

    // Every rule is spent: the drive answers normally again.
    r = SendScsi(kBridgePath, kInquiry, Direction::In, data);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(rack.OpenHandles(), 0);
}

TEST_F(SimFaultTest, AtaRouteFaults) {
    SimDrive& d = rack.AddDrive(kBridgePath, {});
    Bytes data(512);
    platform::AtaCommand read;
    read.ext48 = true;
    read.dir = Direction::In;
    read.dma = true;
    read.data = data;
    read.current = {0, 1, 0, 0, 0, 0x40, 0x25, 0};

    d.AddFault(FaultRule::Of(FaultKind::AtaError).OnOpcode(0x25).AtaErrorByte(0x40).Times(1));
    auto r = SendAta(kBridgePath, read);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.current[platform::kTfStatus], 0x51);
    EXPECT_EQ(r.current[platform::kTfError], 0x40);

    d.AddFault(FaultRule::Of(FaultKind::SyscallFails).Times(1));
    r = SendAta(kBridgePath, read);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, 5);
}

TEST_F(SimFaultTest, LatencyAndHangRunOnTheClock) {
    SimDrive& d = rack.AddDrive(kBridgePath, {});
    Bytes data(512);
    d.AddFault(FaultRule::Of(FaultKind::Latency).OnOpcode(0xEC).Ms(11'000).Times(1));
    std::uint64_t t0 = clock.NowMs();
    auto r = SendScsi(kBridgePath, kIdentify, Direction::In, data);
    EXPECT_EQ(r.status, 0);                     // slow, but done
    EXPECT_EQ(clock.NowMs() - t0, 11'000u);

    d.AddFault(FaultRule::Of(FaultKind::Hang).OnOpcode(0x12));
    t0 = clock.NowMs();
    r = SendScsi(kBridgePath, kInquiry, Direction::In, data, 300);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(clock.NowMs() - t0, 300'000u);    // its whole time-out

    // A cancelled worker leaves a hung request at once.
    platform::CancelToken token;
    platform::CancelScope scope(token);
    token.Cancel();
    t0 = clock.NowMs();
    r = SendScsi(kBridgePath, kInquiry, Direction::In, data, 300);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(clock.NowMs(), t0);
}

TEST_F(SimFaultTest, SkipAndCountPickWhichMatchesFail) {
    SimDrive& d = rack.AddDrive(kBridgePath, {});
    d.AddFault(FaultRule::Of(FaultKind::SyscallFails).OnOpcode(0x12).Skip(2).Times(2));
    Bytes data(40);
    std::vector<bool> ok;
    for (int i = 0; i < 6; ++i) ok.push_back(SendScsi(kBridgePath, kInquiry, Direction::In, data).ok);
    // Other opcodes do not count against the rule.
    SendScsi(kBridgePath, {0x00, 0, 0, 0, 0, 0});
    EXPECT_EQ(ok, (std::vector<bool>{true, true, false, false, true, true}));
}

// A vendor sub-opcode matches every request of that command: the CDB on the
// USB path; the command sector and the data phase in the tunnel.
TEST_F(SimFaultTest, VendorSubMatchesOnBothPaths) {
    KeepLog();
    DriveConfig usb;
    usb.frontEnd = FrontEnd::NativeUsb;
    usb.state = ControllerState::Loader;
    rack.AddDrive(kUsbPath, usb).AddFault(FaultRule::Of(FaultKind::SyscallFails).OnVendorSub(0x84));
    DriveConfig sata;
    sata.state = ControllerState::Loader;
    sata.vendorMode = true;
    // Skip 1 lets the command sector through; the data phase fails.
    rack.AddDrive(kBridgePath, sata).AddFault(FaultRule::Of(FaultKind::SyscallFails).OnVendorSub(0x84).Skip(1));

    Bytes reply(512);
    EXPECT_FALSE(SendVendor(kUsbPath, false, 0, VendorBlock(false, 0x84, {0, 0, 0, 1}), Direction::In, reply));
    EXPECT_TRUE(SendVendor(kUsbPath, false, 0, VendorBlock(false, 0x00), Direction::In, reply));
    EXPECT_FALSE(SendVendor(kBridgePath, true, 2, VendorBlock(true, 0x84, {0, 0, 0, 1}), Direction::In, reply));
    const auto log = rack.Log().For(kBridgePath);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].cdb[5], 0xFF);
    EXPECT_EQ(log[1].cdb[5], 0x84);
}

TEST_F(SimFaultTest, LogRecordsEveryRequestAsSent) {
    KeepLog(true);
    rack.AddDrive(kBridgePath, {});
    clock.Advance(500);
    Bytes out(1024, 0x11);
    const Bytes write10 = {0x2A, 0, 0, 0, 0, 8, 0, 0, 2, 0};
    SendScsi(kBridgePath, write10, Direction::Out, out, 10);
    platform::AtaCommand ata;
    ata.current = {0, 0, 0, 0, 0, 0xE0, 0xE7, 0};
    ata.previous = {0, 0, 0, 0, 0, 0, 0, 0};
    ata.timeout = std::chrono::seconds(10);
    SendAta(kBridgePath, ata);

    const auto log = rack.Log().Snapshot();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].path, kBridgePath);
    EXPECT_EQ(log[0].route, Route::Scsi);
    EXPECT_EQ(log[0].cdb, write10);
    EXPECT_EQ(log[0].dir, Direction::Out);
    EXPECT_EQ(log[0].wireLength, 1024u);
    EXPECT_EQ(log[0].timeout, std::chrono::seconds(10));
    EXPECT_EQ(log[0].dataOut, out);
    EXPECT_EQ(log[0].timeMs, 1'000'500u);
    EXPECT_EQ(log[1].route, Route::Ata);
    EXPECT_EQ(log[1].current[platform::kTfCommand], 0xE7);
    EXPECT_EQ(log[1].dir, Direction::None);
    EXPECT_EQ(log[1].wireLength, 0u);

    rack.Log().Configure({});
    SendAta(kBridgePath, ata);
    EXPECT_EQ(rack.Log().Size(), 0u) << "a log turned off keeps nothing";
}

TEST_F(SimFaultTest, HandlesAreCountedAndShareModesHonoured) {
    rack.AddDrive(kBridgePath, {});
    auto& io = platform::Devices();
    {
        auto a = io.Open(kBridgePath, platform::ShareMode::Shared);
        auto b = io.Open(kBridgePath, platform::ShareMode::Shared);
        ASSERT_TRUE(a.handle && b.handle);
        EXPECT_EQ(rack.OpenHandles(), 2);
        auto c = io.Open(kBridgePath, platform::ShareMode::Exclusive);
        EXPECT_FALSE(c.handle);
        EXPECT_EQ(c.error, EBUSY);
    }
    EXPECT_EQ(rack.OpenHandles(), 0);
    {
        auto a = io.Open(kBridgePath, platform::ShareMode::Exclusive);
        ASSERT_TRUE(a.handle);
        EXPECT_EQ(io.Open(kBridgePath, platform::ShareMode::Shared).error, EBUSY);
        // Unplugged under an open handle: the request fails, the handle still closes.
        rack.RemoveDrive(kBridgePath);
        Bytes data(40);
        EXPECT_FALSE(a.handle->Scsi({kInquiry, Direction::In, data, std::chrono::seconds(5)}).ok);
    }
    EXPECT_EQ(rack.OpenHandles(), 0);
    EXPECT_EQ(io.Open(kBridgePath, platform::ShareMode::Shared).error, ENOENT);
}

}  // namespace
}  // namespace qx::sim::test
