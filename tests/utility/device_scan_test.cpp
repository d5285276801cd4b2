// The device scan over a machine of every kind of disk the utility meets:
// what it lists, in which row, line, entry and slot, and what it sends.
#include <gtest/gtest.h>

#include "qxlib/base/switches.h"
#include "utility/support/utility_rack_fixture.h"
#include "utility/device_scan.h"
#include "utility/firmware_signature.h"

namespace qx::test {
namespace {

using utility::DeviceListModel;

class DeviceScanTest : public UtilityRackFixture {
protected:
    // Seven disks in this order: IDE, SCSI, bridge type 1, rotating,
    // signature-less, bridge type 7, the controller's own USB.
    void AddMixedMachine() {
        Add(IdePath(0), Produced("IDE0"));
        Add(ScsiPath(1), Produced("SCSI1"));
        Add(UsbPath(2), Produced("BRIDGE1", "q461"));
        sim::DriveConfig rotating = Produced("HDD3");
        rotating.rotationRate = 7200;
        Add(IdePath(3), rotating);
        sim::DriveConfig unsigned_ = Produced("NOSIG4");
        unsigned_.bootsWithoutSignature = true;
        Add(IdePath(4), unsigned_);
        Add(UsbPath(5), Produced("BRIDGE7", "q455"));
        Add(UsbPath(6), NativeUsb("NATIVE6"));
    }
};

TEST_F(DeviceScanTest, ListsEachKindWithItsRowLineEntrySlotAndClass) {
    AddMixedMachine();
    utility::DeviceTable entries{};
    const DeviceListModel list = utility::ScanDevices(entries, {});

    struct Expected {
        int entry;
        std::string model, serial, interface, line;
        int bus;
        std::uint8_t usbPath, directAta, transferMode;
        std::string path;
    };
    const Expected expected[] = {
        {0, "QX SSD IDE0", "IDE0", " IDE / SATA ", "<< IDE / SATA >>  QX SSD IDE0 IDE0", 1, 0, 1, 2, IdePath(0)},
        {1, "QX SSD SCSI1", "SCSI1", " SCSI ", "<< SCSI >>  QX SSD SCSI1 SCSI1", 2, 0, 0, 2, ScsiPath(1)},
        {2, "QX SSD BRIDGE1", "BRIDGE1", " USB / SATA ", "<< USB / SATA >>  QX SSD BRIDGE1 BRIDGE1", 3, 0, 0, 1,
         UsbPath(2)},
        {3, "QX SSD BRIDGE7", "BRIDGE7", " USB / SATA ", "<< USB / SATA >>  QX SSD BRIDGE7 BRIDGE7", 3, 0, 0, 2,
         UsbPath(5)},
        {4, "QUORLIX QXF84X USB", "", " USB ", "<< USB >>  QUORLIX QXF84X USB", 3, 1, 0, 2, UsbPath(6)},
    };
    ASSERT_EQ(list.Rows.size(), std::size(expected));
    ASSERT_EQ(list.Lines.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE(e.model);
        const auto& row = list.Rows[i];
        EXPECT_EQ(row.Entry, e.entry);
        EXPECT_EQ(row.Columns[utility::kColDisk], std::to_string(e.entry + 1));
        EXPECT_EQ(row.Columns[utility::kColModel], e.model);
        EXPECT_EQ(row.Columns[utility::kColSerial], e.serial);
        EXPECT_EQ(row.Columns[utility::kColInterface], e.interface);
        EXPECT_EQ(row.Columns[utility::kColCapacity], "119");   // 250,069,680 sectors
        EXPECT_EQ(list.Lines[i], e.line);
        const auto& entry = entries[static_cast<std::size_t>(e.entry)];
        EXPECT_EQ(entry.BusType, e.bus);
        EXPECT_EQ(entry.TransferMode, e.transferMode);
        EXPECT_STREQ(entry.Path.data(), Lower(e.path).c_str());
        const DeviceSlot& slot = DeviceSlots[static_cast<std::size_t>(e.entry)];
        EXPECT_EQ(slot.InterfacePath, entry.Path.data());
        EXPECT_EQ(slot.UsbPath, e.usbPath);
        EXPECT_EQ(slot.DirectAta, e.directAta);
    }
    // The firmware revision is shown as stored; the IDE drive's came through FixAtaString.
    EXPECT_EQ(list.Rows[0].Columns[utility::kColFirmware], "QXFW0100");
    EXPECT_EQ(list.Rows[2].Columns[utility::kColFirmware], "QXFW0100");
    // After the scan the switch holds the last probed drive's value.
    EXPECT_EQ(TransferMode.load(), 2);
    EXPECT_EQ(traces_.front(), "nDevice = 7");
}

TEST_F(DeviceScanTest, RejectedDrivesGetNothingBeyondTheirProbe) {
    AddMixedMachine();
    utility::DeviceTable entries{};
    utility::ScanDevices(entries, {});
    // The rotating drive is asked for IDENTIFY only.
    const auto rotating = rack_.Log().For(Lower(IdePath(3)));
    ASSERT_EQ(rotating.size(), 1u);
    EXPECT_EQ(rotating[0].current[platform::kTfCommand], 0xEC);
    // The signature-less one: IDENTIFY, then six rounds of SET FEATURES and the reply read.
    const auto unsigned_ = rack_.Log().For(Lower(IdePath(4)));
    EXPECT_EQ(unsigned_.size(), 1u + 2u * utility::kSignatureRounds);
    // No unlisted slot keeps a path of the scan's.
    for (int i = 5; i < kSlotCount; ++i)
        EXPECT_TRUE(DeviceSlots[static_cast<std::size_t>(i)].InterfacePath.empty() ||
                    DeviceSlots[static_cast<std::size_t>(i)].InterfacePath == entries[static_cast<std::size_t>(i)].Path.data());
}

TEST_F(DeviceScanTest, SignatureProbeCountsOnTheVirtualClock) {
    struct Case {
        const char* name;
        bool signature;
        int failReads;   // reply reads that fail, from the first
        bool listed;
        int rounds;
        std::uint64_t waitedMs;
    };
    const Case cases[] = {
        {"signs at once", true, 0, true, 1, 0},
        {"never signs", false, 0, false, 6, 6 * 200},
        {"first read fails, second signs", true, 1, true, 2, 200},
        {"reads keep failing", true, -1, false, 2, 200},
    };
    int n = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = IdePath(n++);
        sim::DriveConfig cfg = Produced("SIG");
        cfg.bootsWithoutSignature = !c.signature;
        sim::SimDrive& drive = rack_.AddDrive(Lower(path), cfg);
        if (c.failReads != 0) {
            // The reply read is the tunnel's read command on the ATA route.
            auto rule = sim::FaultRule::Of(sim::FaultKind::AtaError).OnOpcode(0x86);
            if (c.failReads > 0) rule.Times(c.failReads);
            drive.AddFault(rule);
        }
        sim::SimDeviceTree only;
        only.AddDisk(path);
        platform::SetDeviceTree(&only);
        const std::uint64_t start = clock_.NowMs();
        utility::DeviceTable entries{};
        const auto list = utility::ScanDevices(entries, {});
        platform::SetDeviceTree(&tree_);
        EXPECT_EQ(list.Rows.size(), c.listed ? 1u : 0u);
        int setFeatures = 0;
        for (const auto& r : rack_.Log().For(Lower(path)))
            if (r.route == sim::Route::Ata && r.current[platform::kTfCommand] == 0xEF) ++setFeatures;
        EXPECT_EQ(setFeatures, c.rounds);
        EXPECT_EQ(clock_.NowMs() - start, c.waitedMs);
    }
}

TEST_F(DeviceScanTest, ScsiPathsAreDrivenDirectlyWhereTheSystemSaysSo) {
    Add(ScsiPath(1), Produced("SCSI1"));
    isWindows8_ = true;
    utility::DeviceTable entries{};
    utility::ScanOptions options;
    options.IsWindows8 = true;
    const auto list = utility::ScanDevices(entries, options);
    ASSERT_EQ(list.Rows.size(), 1u);
    EXPECT_EQ(list.Rows[0].Columns[utility::kColInterface], " IDE / SATA ");
    EXPECT_EQ(DeviceSlots[0].DirectAta, 1);
    EXPECT_EQ(entries[0].BusType, utility::kBusIdeSata);
    for (const auto& r : Log()) EXPECT_EQ(r.route, sim::Route::Ata);
}

TEST_F(DeviceScanTest, FirstClassWordOfThePathDecides) {
    // "ide" wins over "usb" in the same path.
    const std::string path = "\\\\?\\usbstor#ide_bridge#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    Add(path, Produced("BOTH"));
    Add("\\\\?\\floppy#0001", Produced("NONE"));
    utility::DeviceTable entries{};
    const auto list = utility::ScanDevices(entries, {});
    ASSERT_EQ(list.Rows.size(), 1u);
    EXPECT_EQ(list.Rows[0].Columns[utility::kColInterface], " IDE / SATA ");
    EXPECT_TRUE(rack_.Log().For(Lower("\\\\?\\floppy#0001")).empty());
}

TEST_F(DeviceScanTest, DriveLetterFollowsIdeAndBridgeLinesButNeverScsi) {
    Add(IdePath(0), Produced("IDE0"));
    Add(ScsiPath(1), Produced("SCSI1"));
    const std::vector<platform::Volume> volumes = {{"/dev/sdx", 0, false, false}, {"/dev/sdx1", 1, false, false}};
    tree_.SetVolumes(IdePath(0), volumes);
    tree_.SetVolumes(Lower(IdePath(0)), volumes);
    tree_.SetVolumes(ScsiPath(1), volumes);
    tree_.SetVolumes(Lower(ScsiPath(1)), volumes);
    utility::DeviceTable entries{};
    const auto list = utility::ScanDevices(entries, {});
    ASSERT_EQ(list.Lines.size(), 2u);
    EXPECT_EQ(list.Lines[0], "<< IDE / SATA >>  QX SSD IDE0 IDE0 (/dev/sdx1:)");
    EXPECT_EQ(list.Lines[1], "<< SCSI >>  QX SSD SCSI1 SCSI1");
}

TEST_F(DeviceScanTest, BridgeOfType1ScannedLastLeavesItsTunnelOnTheSwitch) {
    Add(IdePath(0), Produced("IDE0"));
    Add(UsbPath(2), Produced("BRIDGE1", "q461"));
    utility::DeviceTable entries{};
    utility::ScanDevices(entries, {});
    EXPECT_EQ(TransferMode.load(), 1);
    EXPECT_EQ(entries[0].TransferMode, 2);
    EXPECT_EQ(entries[1].TransferMode, 1);
}

TEST_F(DeviceScanTest, AtMostTwelveDevicesAndEightyPaths) {
    for (int i = 0; i < 14; ++i) Add(IdePath(i), Produced("D" + std::to_string(i)));
    utility::DeviceTable entries{};
    const auto list = utility::ScanDevices(entries, {});
    EXPECT_EQ(list.Rows.size(), static_cast<std::size_t>(kSlotCount));
    EXPECT_TRUE(rack_.Log().For(Lower(IdePath(12))).empty());
    EXPECT_NE(std::find_if(traces_.begin(), traces_.end(),
                           [](const std::string& t) { return t.find("skipped") != std::string::npos; }),
              traces_.end());

    sim::SimDeviceTree many;
    for (int i = 0; i < 90; ++i) many.AddDisk("\\\\?\\floppy#" + std::to_string(i));
    platform::SetDeviceTree(&many);
    EXPECT_EQ(utility::EnumDiskInterfaces().size(), static_cast<std::size_t>(utility::kMaxPaths));
    platform::SetDeviceTree(&tree_);
}

TEST_F(DeviceScanTest, NoInterfaceListMeansNoDevices) {
    tree_.SetInterfaceListFails(true);
    utility::DeviceTable entries{};
    EXPECT_TRUE(utility::ScanDevices(entries, {}).Rows.empty());
    EXPECT_EQ(traces_.front(), "nDevice = 0");
}

TEST_F(DeviceScanTest, RescanFailureIsPrintedAndReported) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(utility::RescanDeviceTree([] { return 0; }), 1);
    EXPECT_EQ(utility::RescanDeviceTree([] { return 0x1d; }), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "CM_Reenumerate_DevNode failed: 1d\n");
}

}  // namespace
}  // namespace qx::test
