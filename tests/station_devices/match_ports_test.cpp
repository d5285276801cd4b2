#include <cstring>

#include "qxlib/discovery/bridge_type.h"
#include "rescan_fixture.h"
#include "sim/rack/sim_usb_tree.h"

namespace qx::test {
namespace {

using MatchPortsTest = RescanFixture;

// Port 1 a SATA bridge, port 3 the controller's own USB, port 5 an unknown
// bridge, port 6 a USB device without a disk: the last two are present but
// not connected.
TEST_F(MatchPortsTest, JoinsEachPortToItsDiskAndBridge) {
    LoadRack({Drive("q455", "QXA"), Drive("q814", "QXB"), Drive("zzzz", "QXC")},
             "root=8\nport=0.2 drive01\nport=0.4 drive02\nport=0.6 drive03\n");
    sim::SimUsbDevice lone;
    lone.serial = "LONE";
    lone.driverKey = "{36fc9e60-c465-11cf-8056-444553540000}\\lone";
    machine_->Devices().AddDevice(lone.driverKey, "USB\\VID_1234&PID_5678\\LONE");
    machine_->Usb().PlugDevice(0, 7, lone);

    EXPECT_EQ(rescan_.MatchPorts(), 2);
    EXPECT_EQ(rescan_.ConnectedCount(), 2);
    EXPECT_EQ(PortCount, 8);

    const struct {
        int port, present, connected, bridge, usbPath;
    } cases[] = {
        {1, 1, 1, kBridgeQ455, 0}, {3, 1, 1, kBridgeUsbNative, 1}, {5, 1, 0, kBridgeUnknown, 1},
        {6, 1, 0, kBridgeUnknown, 0}, {0, 0, 0, kBridgeUnknown, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        const PortRecord& rec = Active(c.port);
        EXPECT_EQ(rec.Present, c.present);
        EXPECT_EQ(rec.Connected, c.connected);
        EXPECT_EQ(rec.BridgeType, c.bridge);
        if (c.connected) {
            EXPECT_EQ(rec.PathKind, 3);   // "usbstor"
            EXPECT_EQ(rec.CapacityMB, static_cast<int>(250'069'680ull * 512 / (1024 * 1024)));
            EXPECT_STREQ(DeviceSlots[static_cast<std::size_t>(c.port)].InterfacePath.c_str(), rec.DiskPath);
            EXPECT_EQ(DeviceSlots[static_cast<std::size_t>(c.port)].UsbPath, c.usbPath);
            EXPECT_NE(rec.ParentDevInst, 0u);
        }
    }
    // The instance ID is kept lower case, as the disk list has it.
    EXPECT_STREQ(Active(6).DeviceInstanceId, "usb\\vid_1234&pid_5678\\lone");
    EXPECT_EQ(window_.interfaceWords, (std::vector<std::string>{"SATA", "USB", "USB"}));
    EXPECT_EQ(rescan_.InterfaceWord(), "USB");
    // A q455 bridge leaves the bus mode alone.
    EXPECT_EQ(SataBusMode.load(), 2);
    EXPECT_FALSE(ForcePioTransfer.load());
}

// A type-1 (or type-14) bridge switches the tunnel to PIO for every port:
// the switches are process-wide and stay until the settings reload.
TEST_F(MatchPortsTest, OneQ461BridgeSwitchesTheBusModeForAllPorts) {
    LoadRack({Drive("q455", "QXA"), Drive("q461", "QXB")}, "root=4\nport=0.1 drive01\nport=0.2 drive02\n");
    EXPECT_EQ(rescan_.MatchPorts(), 2);
    EXPECT_EQ(Active(1).BridgeType, kBridgeQ461);
    EXPECT_EQ(SataBusMode.load(), 1);
    EXPECT_TRUE(ForcePioTransfer.load());
    EXPECT_TRUE(Traced("SATA PATH\r\n"));
}

// More USB devices than disk interfaces: the ones without a disk stay
// present and unconnected.
TEST_F(MatchPortsTest, FewerDisksThanDevicesLeavesPortsUnconnected) {
    LoadRack({Drive("q455", "QXA"), Drive("q455", "QXB")}, "root=4\nport=0.1 drive01\nport=0.3 drive02\n");
    machine_->Devices().RemoveDisk(DrivePath(2));
    EXPECT_EQ(rescan_.MatchPorts(), 1);
    EXPECT_EQ(Active(2).Present, 1);
    EXPECT_EQ(Active(2).Connected, 0);
}

// A disk list that cannot be read makes every port unconnected.
TEST_F(MatchPortsTest, FailedDiskListConnectsNothing) {
    LoadRack({Drive("q455", "QXA")}, "root=4\nport=0.1 drive01\n");
    machine_->Devices().SetInterfaceListFails(true);
    EXPECT_EQ(rescan_.RescanPorts(), 0);
    EXPECT_EQ(rescan_.MatchPorts(), 0);
    EXPECT_EQ(Active(0).Present, 1);
    EXPECT_EQ(Active(0).Connected, 0);
}

// A topology of more ports than the tables hold: the loops stop at the
// tables' end, and the drives within them are found.
TEST_F(MatchPortsTest, MoreThanFiftyPortsStopAtTheTables) {
    LoadRack({Drive("q455", "QXA")}, "root=15\nroot=15\nroot=15\nroot=15\nport=0.3 drive01\n");
    EXPECT_EQ(rescan_.MatchPorts(), 1);
    EXPECT_EQ(PortCount, 60);
    EXPECT_EQ(station::ScannedPorts(), kPortCount);
    EXPECT_EQ(Active(2).Connected, 1);
}

}  // namespace
}  // namespace qx::test
