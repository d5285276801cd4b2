#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "qxlib/discovery/bridge_type.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/discovery/usb_disks.h"
#include "qxlib/discovery/usb_topology.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_rack.h"
#include "sim/rack/sim_usb_tree.h"
#include "support/port_disk_match.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

// What port matching does with the two scans: a port's instance ID, lower
// case, names the parent of its disk; the disk path reaches the drive.
TEST(RackDiscoveryTest, PortsJoinTheirDisksAndTheDrivesTellTheirBridge) {
    test::TempDir locks;
    setenv("QX_LOCK_DIR", locks.path().c_str(), 1);
    sim::SimUsbTree usb;
    sim::SimDeviceTree tree;
    sim::SimRack rack;
    const auto root = usb.AddRootHub(4);
    const auto hub = usb.PlugHub(root, 3, 4);
    const struct {
        sim::SimUsbTree::HubId hub;
        int port;
        const char* serial;
        const char* tag;
        int number;
        int bridge;
    } drives[] = {{root, 1, "QXA", "q461", 0, 1}, {hub, 2, "QXB", "q814", 1, 10}, {root, 4, "QXC", "zzzz", 7, 0}};
    for (const auto& d : drives) {
        sim::SimUsbDevice device;
        device.serial = d.serial;
        const auto names = sim::PlugUsbDisk(usb, tree, d.hub, d.port, device);
        sim::DriveConfig config;
        config.chipTag = d.tag;
        rack.AddDrive(names.interfacePath, config);
    }
    platform::SetUsbHubs(&usb);
    platform::SetDeviceTree(&tree);
    sim::ScopedRack scoped(rack);

    ClearPortTable(ScanPortTable);
    EXPECT_EQ(ScanUsbTopology(), 8);
    std::vector<DiskDeviceEntry> disks(8);
    int count = 8;
    ASSERT_EQ(EnumUsbDiskInterfaces(disks, &count), 1);
    ASSERT_EQ(count, 3);
    for (const auto& d : drives) {
        SCOPED_TRACE(d.serial);
        PortRecord& port = ScanPortTable[static_cast<std::size_t>(d.number)];
        ASSERT_EQ(port.Present, 1);
        const DiskDeviceEntry* match =
            test::DiskOfPort(port, std::span(disks.data(), static_cast<std::size_t>(count)));
        ASSERT_NE(match, nullptr);
        ASSERT_TRUE(CopyPortText(port.DiskPath, match->InterfaceDetail.DevicePath));
        DeviceSlots[static_cast<std::size_t>(d.number)].InterfacePath = port.DiskPath;
        DeviceSlots[static_cast<std::size_t>(d.number)].UsbPath = 1;
        EXPECT_EQ(GetBridgeChipType(d.number), d.bridge);
        DeviceSlots[static_cast<std::size_t>(d.number)].InterfacePath.clear();
        DeviceSlots[static_cast<std::size_t>(d.number)].UsbPath = 0;
    }
    EXPECT_EQ(usb.OpenHandles(), 0);
    EXPECT_EQ(rack.OpenHandles(), 0);
    platform::SetUsbHubs(nullptr);
    platform::SetDeviceTree(nullptr);
    unsetenv("QX_LOCK_DIR");
}

}  // namespace
}  // namespace qx
