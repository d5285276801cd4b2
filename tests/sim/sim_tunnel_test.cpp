// The vendor tunnel of the SATA path and the vendor blocks of the
// controller's own USB interface, through the same vendor engine.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

using platform::Direction;

class SimTunnelTest : public ::testing::Test, public RackTest {
protected:
    SimDrive& Sata(ControllerState state = ControllerState::Loader) {
        DriveConfig cfg;
        cfg.state = state;
        return rack.AddDrive(kBridgePath, cfg);
    }
    SimDrive& Usb(ControllerState state = ControllerState::Loader) {
        DriveConfig cfg;
        cfg.frontEnd = FrontEnd::NativeUsb;
        cfg.state = state;
        return rack.AddDrive(kUsbPath, cfg);
    }
};

// Every transfer mode reaches the engine once vendor mode is on: a register
// written through the tunnel reads back with the SATA reply signature.
TEST_F(SimTunnelTest, RegisterRoundTripInEveryTransferMode) {
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode);
        SimDrive& d = Sata();
        ASSERT_EQ(SendScsi(kBridgePath, SetVendorMode(true)).status, 0);
        EXPECT_TRUE(d.VendorMode());
        const auto value = static_cast<std::uint8_t>(0x40 + mode);
        Bytes none;
        ASSERT_TRUE(SendVendor(kBridgePath, true, mode, VendorBlock(true, 0x85, {0, 3, 0, 5, value}), Direction::None, none));
        Bytes reply(512, 0xEE);
        ASSERT_TRUE(SendVendor(kBridgePath, true, mode, VendorBlock(true, 0x84, {0, 3, 0, 5}), Direction::In, reply));
        EXPECT_EQ(reply[0], 0xE5);
        EXPECT_EQ(reply[1], value);
        EXPECT_EQ(reply[2], 0);
        EXPECT_EQ(d.Model().registers.Read(0x00030005), value);
    }
}

TEST_F(SimTunnelTest, UsbVendorBlocksCarryTheirDataInOneRequest) {
    KeepLog();
    SimDrive& d = Usb();
    d.Model().programStatus = 0x0E;
    Bytes reply(512, 0xEE);
    ASSERT_TRUE(SendVendor(kUsbPath, false, 0, VendorBlock(false, 0x00), Direction::In, reply));
    EXPECT_EQ(reply[0], 0x0E);
    EXPECT_EQ(reply[1], 0x00);
    ASSERT_EQ(rack.Log().Size(), 1u);
    EXPECT_EQ(rack.Log().Snapshot()[0].cdb, VendorBlock(false, 0x00));
    // A block with the wrong path byte, or a data phase the command does not
    // have, is refused.
    EXPECT_EQ(SendScsi(kUsbPath, VendorBlock(true, 0x00), Direction::In, reply).status, 2);
    EXPECT_EQ(SendScsi(kUsbPath, VendorBlock(false, 0x85, {0, 0, 0, 1, 1}), Direction::In, reply).status, 2);
}

// Without SET FEATURES the pseudo-LBAs are plain user sectors: the command
// sector lands on the medium and the reply read returns it, so the host's
// decoder sees no 0xE5; the controller's own tunnel opcodes are refused.
TEST_F(SimTunnelTest, OutsideVendorModeTheTunnelIsUserSectors) {
    SimDrive& d = Sata();
    d.Model().programStatus = 0x0E;
    Bytes none;
    EXPECT_TRUE(SendVendor(kBridgePath, true, 0, VendorBlock(true, 0x00), Direction::None, none));
    Bytes sector = d.ReadUserSectors(0x1234FF, 1);
    EXPECT_EQ(sector[0], 0xFF);
    EXPECT_EQ(sector[1], 0xE5);
    Bytes reply(512);
    ASSERT_EQ(SendScsi(kBridgePath, TunnelBlock(0, false, 1, 0x00), Direction::In, reply).status, 0);
    EXPECT_EQ(reply, Bytes(512, 0));
    for (int mode : {1, 2})
        EXPECT_FALSE(SendVendor(kBridgePath, true, mode, VendorBlock(true, 0x00), Direction::In, reply));
    EXPECT_FALSE(d.VendorMode());

    // Leaving vendor mode brings the user sectors back.
    ASSERT_EQ(SendScsi(kBridgePath, SetVendorMode(true)).status, 0);
    ASSERT_TRUE(SendVendor(kBridgePath, true, 0, VendorBlock(true, 0x00), Direction::In, reply));
    EXPECT_EQ(reply[0], 0xE5);
    EXPECT_EQ(reply[1], 0x0E);
    ASSERT_EQ(SendScsi(kBridgePath, SetVendorMode(false)).status, 0);
    EXPECT_FALSE(d.VendorMode());
    EXPECT_EQ(SendScsi(kBridgePath, Sat12(0x06, 0, 0xDC, 0x77, 0, 0, 0, 0xE0, 0xEF)).status, 2);
}

TEST_F(SimTunnelTest, DataPhaseMustFollowItsCommand) {
    Sata().SetVendorMode(true);
    Bytes reply(512);
    // No command sector yet.
    EXPECT_EQ(SendScsi(kBridgePath, TunnelBlock(2, false, 1, 0x84), Direction::In, reply).status, 2);
    // A command sector for 0x84, then a data phase at another sub-opcode.
    Bytes sector(512, 0);
    const Bytes block = VendorBlock(true, 0x84);
    std::copy(block.begin(), block.end(), sector.begin());
    ASSERT_EQ(SendScsi(kBridgePath, TunnelBlock(2, true, 1, 0xFF), Direction::Out, sector).status, 0);
    EXPECT_EQ(SendScsi(kBridgePath, TunnelBlock(2, false, 1, 0x00), Direction::In, reply).status, 2);
    // A block marked for the USB path is refused in the tunnel.
    const Bytes usbBlock = VendorBlock(false, 0x84);
    std::copy(usbBlock.begin(), usbBlock.end(), sector.begin());
    EXPECT_EQ(SendScsi(kBridgePath, TunnelBlock(2, true, 1, 0xFF), Direction::Out, sector).status, 2);
}

TEST_F(SimTunnelTest, ReplySectorTellsLoaderFromFirmware) {
    SimDrive& d = Sata();
    d.SetVendorMode(true);
    Bytes reply(512);
    ASSERT_EQ(SendScsi(kBridgePath, TunnelBlock(0, false, 1, 0xFF), Direction::In, reply).status, 0);
    EXPECT_EQ(reply[0], 0xE5);
    EXPECT_NE(reply[1], 0x51);
    d.SetState(ControllerState::Firmware);
    EXPECT_FALSE(d.VendorMode());   // a state change drops vendor mode
    d.SetVendorMode(true);
    ASSERT_EQ(SendScsi(kBridgePath, TunnelBlock(0, false, 1, 0xFF), Direction::In, reply).status, 0);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 3), (Bytes{0xE5, 0x51, 0x58}));
}

TEST_F(SimTunnelTest, FlashDiagnosticReplyOnBothPaths) {
    for (bool sata : {false, true}) {
        SCOPED_TRACE(sata);
        SimDrive& d = sata ? Sata(ControllerState::Loader) : Usb(ControllerState::Loader);
        const std::string& path = sata ? kBridgePath : kUsbPath;
        d.RunProgram(ProgramKind::Test);
        d.SetVendorMode(true);
        const_cast<DriveConfig&>(d.Config()).badBlocks = {700};
        Bytes reply(512, 0xEE);
        ASSERT_TRUE(SendVendor(path, sata, 2, VendorBlock(sata, 0x21, {1, 0x02, 0x5A}), Direction::In, reply));
        EXPECT_EQ(reply[0], 1);
        EXPECT_EQ(reply[1], 0xFF);
        ASSERT_TRUE(SendVendor(path, sata, 2, VendorBlock(sata, 0x21, {3, 0x02, 0xBC}), Direction::In, reply));
        EXPECT_EQ(reply[0], 1);
        EXPECT_NE(reply[1], 0xFF);
        // The loader has no flash diagnostic.
        d.SetState(ControllerState::Loader);
        d.SetVendorMode(true);
        EXPECT_FALSE(SendVendor(path, sata, 2, VendorBlock(sata, 0x21, {1, 0x02, 0x5A}), Direction::In, reply));
    }
}

}  // namespace
}  // namespace qx::sim::test
