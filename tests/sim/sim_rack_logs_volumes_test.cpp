// What a rack description says about a drive's RDT log and its volume
// reaches the simulated flash and the simulated device tree.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/device_tree.h"
#include "sim/model/drive_model.h"
#include "sim/rack/rack_volumes.h"
#include "sim/rack/sim_machine.h"
#include "support/temp_dir.h"

namespace qx::sim {
namespace {

const std::string kPath = "\\\\?\\usbstor#disk&ven_qx&prod_ssd#LOG1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

TEST(SimRackLogsVolumes, RackIniCarriesTheLogAndTheVolume) {
    test::TempDir dir;
    std::ofstream(dir.file("rack.ini")) << "[usb]\nroot=2\nport=0.1 d1\n"
                                           "[d1]\npath=" + kPath + "\n"
                                           "capacitySectors=131072\nblocksPerCe=64\n"
                                           "rdtBlock=60\nrdtPages=1 2 3 1 4 1\nrdtSummary=000000000000"
                                           "03\nrdtDieInfo=80\n"
                                           "volume=1\nvolumeMounted=1\nvolumeUsedBytes=3145728\nvolumeLockFailures=-1\n";
    std::string error;
    auto machine = SimMachine::LoadFolder(dir.path().string(), &error);
    ASSERT_TRUE(machine) << error;

    SimDrive* drive = machine->Rack().Find(kPath);
    ASSERT_NE(drive, nullptr);
    {
        auto hold = drive->Lock();
        const Nand& nand = drive->Model().nand;
        std::vector<std::uint8_t> page(4096);
        nand.Read({0, 0, 60, 0}, page);
        EXPECT_EQ(std::string(page.begin(), page.begin() + 4), "RDTM");
        EXPECT_EQ(page[6], 0x03);                    // the result, where the result check reads it
        EXPECT_EQ(page[796 + 12], 1);                // summary page
        EXPECT_EQ(page[796 + 16], 2);                // die information page
        nand.Read({0, 0, 60, 2}, page);
        EXPECT_EQ(page[0], 0x80);
        EXPECT_EQ(page[32], 0xAA);                   // the end record
        nand.Read({0, 0, 60, 255}, page);
        EXPECT_EQ(std::string(page.begin(), page.begin() + 4), "RDTM");
    }

    SimDeviceTree& tree = machine->Devices();
    const std::string node = VolumeNodeOf(kPath);
    const auto volumes = tree.Volumes(kPath);
    ASSERT_TRUE(volumes);
    ASSERT_EQ(volumes->size(), 2u);
    EXPECT_EQ((*volumes)[1].node, node);
    EXPECT_TRUE((*volumes)[1].mounted);
    const auto usage = tree.Usage(node);
    ASSERT_TRUE(usage);
    EXPECT_EQ(usage->totalBytes, 131072u * 512);
    EXPECT_EQ(usage->totalBytes - usage->freeBytes, 3145728u);
    auto handle = tree.OpenVolume(node, false);
    ASSERT_TRUE(handle);
    EXPECT_FALSE(handle->Lock());
    handle.reset();
    EXPECT_EQ(tree.VolumeCounters(node).locks, 1);
    EXPECT_EQ(tree.VolumeCounters(node).closes, 1);

    // Saved and loaded again, the description keeps every key.
    ASSERT_TRUE(machine->Rack().SaveState(dir.path().string(), &error)) << error;
    auto again = SimMachine::LoadFolder(dir.path().string(), &error);
    ASSERT_TRUE(again) << error;
    const DriveConfig& c = again->Rack().Find(kPath)->Config();
    EXPECT_EQ(c.rdtBlock, 60);
    EXPECT_EQ(c.rdtPages, (std::vector<std::uint16_t>{1, 2, 3, 1, 4, 1}));
    EXPECT_EQ(c.rdtDieInfo, std::vector<std::uint8_t>{0x80});
    EXPECT_TRUE(c.volumeMounted);
    EXPECT_EQ(c.volumeUsedBytes, 3145728u);
    EXPECT_EQ(c.volumeLockFailures, -1);
}

}  // namespace
}  // namespace qx::sim
