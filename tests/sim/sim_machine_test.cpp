// A rack folder as a whole machine: its [usb] topology puts the drives on
// hub ports, the walker and the disk enumeration find them and join them as
// port matching does, and the backend is chosen from QX_SIM_RACK.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "qxlib/discovery/bridge_type.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/discovery/usb_disks.h"
#include "qxlib/discovery/usb_topology.h"
#include "qxlib/format/disk_layout.h"
#include "sim/rack/rack_volumes.h"
#include "sim/rack/sim_machine.h"
#include "sim/rack/sim_rack.h"
#include "support/port_disk_match.h"
#include "support/temp_dir.h"

namespace qx {
namespace {

const char kDriveA[] = "\\\\?\\usbstor#disk&ven_qx&prod_ssd&rev_1.00#qxa0001&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const char kDriveB[] = "\\\\?\\usbstor#disk&ven_qx&prod_ssd&rev_1.00#qxb0002&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

std::string RackText(const std::string& usbSection) {
    return std::string("[a]\npath=") + kDriveA + "\nfrontEnd=bridge\nchipTag=q461\nserial=QXA0001\n" +
           "[b]\npath=" + kDriveB + "\nfrontEnd=usb\nchipTag=q814\nserial=QXB0002\n" + usbSection;
}

void WriteRack(const test::TempDir& dir, const std::string& text) {
    std::ofstream(dir.file("rack.ini")) << text;
}

class SimMachineTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("QX_LOCK_DIR", locks_.path().c_str(), 1); }
    void TearDown() override {
        ::unsetenv("QX_LOCK_DIR");
        ::unsetenv("QX_SIM_RACK");
    }
    test::TempDir locks_;
    test::TempDir rack_;
};

TEST_F(SimMachineTest, PlugsTheDrivesOnTheirPortsAndJoinsThemToTheirDisks) {
    WriteRack(rack_, RackText("[usb]\nroot=4\nhub=0.3:4\nport=0.1 a\nport=1.2 b\n"));
    std::string error;
    auto machine = sim::SimMachine::LoadFolder(rack_.path().string(), &error);
    ASSERT_TRUE(machine) << error;
    machine->Install();

    ClearPortTable(ScanPortTable);
    EXPECT_EQ(ScanUsbTopology(), 8);
    std::vector<DiskDeviceEntry> disks(8);
    int count = 8;
    ASSERT_EQ(EnumUsbDiskInterfaces(disks, &count), 1);
    ASSERT_EQ(count, 2);

    const struct {
        int port;
        const char* path;
        int bridge;
    } expected[] = {{0, kDriveA, 1}, {1, kDriveB, 10}};   // a hub's ports share its parent's base
    for (const auto& e : expected) {
        SCOPED_TRACE(e.port);
        PortRecord& port = ScanPortTable[static_cast<std::size_t>(e.port)];
        ASSERT_EQ(port.Present, 1);
        const DiskDeviceEntry* match =
            test::DiskOfPort(port, std::span(disks.data(), static_cast<std::size_t>(count)));
        ASSERT_NE(match, nullptr);
        EXPECT_STREQ(match->InterfaceDetail.DevicePath, e.path);
        DeviceSlots[static_cast<std::size_t>(e.port)].InterfacePath = e.path;
        DeviceSlots[static_cast<std::size_t>(e.port)].UsbPath = 1;
        EXPECT_EQ(GetBridgeChipType(e.port), e.bridge);
        DeviceSlots[static_cast<std::size_t>(e.port)].InterfacePath.clear();
        DeviceSlots[static_cast<std::size_t>(e.port)].UsbPath = 0;
    }
    machine->Uninstall();
}

TEST_F(SimMachineTest, ABadTopologyIsRefusedWithItsReason) {
    const struct {
        const char* usb;
        const char* reason;
    } cases[] = {
        {"[usb]\nroot=0\n", "bad root"},
        {"[usb]\nroot=4\nhub=0.5:4\n", "bad hub"},
        {"[usb]\nroot=4\nhub=2.1:4\n", "bad hub"},
        {"[usb]\nroot=4\nport=0.5 a\n", "bad port"},
        {"[usb]\nroot=4\nport=0.1 nobody\n", "no drive [nobody]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.usb);
        WriteRack(rack_, RackText(c.usb));
        std::string error;
        EXPECT_FALSE(sim::SimMachine::LoadFolder(rack_.path().string(), &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    std::ofstream(rack_.file("rack.ini")) << "[c]\npath=\\\\.\\ide#disk0\n[usb]\nroot=2\nport=0.1 c\n";
    std::string error;
    EXPECT_FALSE(sim::SimMachine::LoadFolder(rack_.path().string(), &error));
    EXPECT_NE(error.find("usbstor"), std::string::npos) << error;
}

TEST_F(SimMachineTest, TheEnvironmentChoosesTheBackendAndNeverFallsBackSilently) {
    bool simulated = true;
    std::string error;
    ::unsetenv("QX_SIM_RACK");
    EXPECT_FALSE(sim::InstallBackendFromEnvironment(&simulated, &error));
    EXPECT_FALSE(simulated);

    ::setenv("QX_SIM_RACK", rack_.file("missing").c_str(), 1);
    EXPECT_FALSE(sim::InstallBackendFromEnvironment(&simulated, &error));
    EXPECT_TRUE(simulated);
    EXPECT_FALSE(error.empty());

    WriteRack(rack_, RackText("[usb]\nroot=2\nport=0.2 a\n"));
    ::setenv("QX_SIM_RACK", rack_.path().c_str(), 1);
    auto machine = sim::InstallBackendFromEnvironment(&simulated, &error);
    ASSERT_TRUE(machine) << error;
    EXPECT_EQ(&platform::Devices(), &machine->Rack());
    EXPECT_EQ(&platform::UsbHubs(), &machine->Usb());
    machine->Uninstall();
}

// The partition writer's table on a rack drive is what the system lists
// once it has read the table again, as a real one does: the formatter then
// finds the new volume.
TEST_F(SimMachineTest, APartitionTableWrittenToADriveListsItsVolumeAfterTheReread) {
    WriteRack(rack_, RackText("[usb]\nroot=2\nport=0.1 a\nport=0.2 b\n"));
    std::string error;
    auto machine = sim::SimMachine::LoadFolder(rack_.path().string(), &error);
    ASSERT_TRUE(machine) << error;
    machine->Install();
    std::string node;
    EXPECT_FALSE(FindDriveLetterOfDisk(kDriveA, &node)) << "a blank disk lists no volume";
    ASSERT_TRUE(CreateSinglePartition(kDriveA, 1u << 20));
    ASSERT_TRUE(FindDriveLetterOfDisk(kDriveA, &node));
    EXPECT_EQ(node, sim::VolumeNodeOf(kDriveA));
    EXPECT_FALSE(FindDriveLetterOfDisk(kDriveB, &node)) << "the other disk is untouched";
    // Unplugged and plugged back, the disk keeps what its table lists.
    ASSERT_TRUE(machine->Unplug(kDriveA));
    ASSERT_TRUE(machine->Plug(kDriveA));
    EXPECT_TRUE(FindDriveLetterOfDisk(kDriveA, &node));
    machine->Uninstall();
}

TEST(SimRackVolumes, APartitionTableListsTheEntriesInUse) {
    const std::string disk = "\\\\?\\disk";
    auto table = [](std::initializer_list<std::pair<int, std::uint8_t>> entries, bool mark) {
        std::vector<std::uint8_t> s(512);
        for (const auto& [index, type] : entries) {
            std::uint8_t* e = &s[446 + 16 * static_cast<std::size_t>(index)];
            e[4] = type;
            e[8] = 63;
            e[12] = type == 0xEE ? 0 : 0x80;   // 0xEE here: an entry without sectors
        }
        if (mark) s[510] = 0x55, s[511] = 0xAA;
        return s;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> sector;
        std::vector<std::uint32_t> partitions;
    } cases[] = {
        {"one FAT32 entry", table({{0, 0x0B}}, true), {1}},
        {"entries 2 and 4", table({{1, 0x07}, {3, 0x83}}, true), {2, 4}},
        {"no closing mark", table({{0, 0x0B}}, false), {}},
        {"an entry without a type", table({{0, 0x00}}, true), {}},
        {"an entry without sectors", table({{0, 0xEE}}, true), {}},
        {"a short read", std::vector<std::uint8_t>(100), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto volumes = sim::VolumesOfPartitionTable(disk, c.sector);
        ASSERT_EQ(volumes.size(), c.partitions.size() + 1);
        EXPECT_EQ(volumes[0].node, disk);
        EXPECT_EQ(volumes[0].partition, 0u);
        for (std::size_t i = 0; i < c.partitions.size(); ++i) {
            EXPECT_EQ(volumes[i + 1].partition, c.partitions[i]);
            EXPECT_EQ(volumes[i + 1].node, sim::VolumeNodeOf(disk, c.partitions[i]));
            EXPECT_FALSE(volumes[i + 1].mounted);
        }
    }
}

}  // namespace
}  // namespace qx
