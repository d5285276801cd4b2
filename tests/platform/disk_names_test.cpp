// Whole disks under Windows-shaped names whose class word follows the
// transport, and the way back from a name to the disk's node.
#include <gtest/gtest.h>

#include "platform/linux/disk_names.h"
#include "platform/linux/raw_rights.h"
#include "platform/linux/scsi_rescan.h"
#include "support/temp_dir.h"

#include <fstream>

namespace qx::test {
namespace {

using platform::linux_disks::WholeDisk;

TEST(DiskNames, ClassWordFollowsTheTransport) {
    // What udev reports for an AHCI disk, a USB stick, a FireWire disk, a
    // SAS disk and a virtio disk; virtual devices are left out.
    const std::vector<WholeDisk> disks = {
        {"sda", "/dev/sda", "ata"},     {"sdb", "/dev/sdb", "usb"},   {"sdc", "/dev/sdc", "ieee1394"},
        {"sdd", "/dev/sdd", "scsi"},    {"vda", "/dev/vda", ""},      {"loop0", "/dev/loop0", ""},
        {"dm-0", "/dev/dm-0", ""},      {"sr0", "/dev/sr0", "ata"},   {"md127", "/dev/md127", ""},
        {"sde", "", "ata"},
    };
    const auto names = platform::linux_disks::NameWholeDisks(disks);
    const std::vector<std::string> expected = {
        "\\\\?\\ide#disk#sda#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
        "\\\\?\\usbstor#disk#sdb#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
        "\\\\?\\sbp2#disk#sdc#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
        "\\\\?\\scsi#disk#sdd#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
        "\\\\?\\scsi#disk#vda#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
    };
    EXPECT_EQ(names, expected);
    // No name carries a second class word the scan could read first.
    for (const auto& n : names) {
        const std::string word = n.substr(4, n.find('#') - 4);
        for (const char* other : {"ide", "usb", "scsi", "sbp2"}) {
            if (word.find(other) == std::string::npos) {
                EXPECT_EQ(n.find(other), std::string::npos) << n;
            }
        }
    }
}

TEST(DiskNames, NamesResolveToTheirNodesWithoutRegardToCase) {
    platform::linux_disks::NameWholeDisks({{"sda", "/dev/sda", "ata"}, {"sdb", "/dev/sdb", "usb"}});
    EXPECT_EQ(platform::linux_disks::ResolveDiskPath("\\\\?\\ide#disk#sda#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"),
              "/dev/sda");
    EXPECT_EQ(platform::linux_disks::ResolveDiskPath("\\\\?\\USBSTOR#DISK#SDB#{53F56307-B6BF-11D0-94F2-00A0C91EFB8B}"),
              "/dev/sdb");
    EXPECT_EQ(platform::linux_disks::ResolveDiskPath("/dev/disk/by-path/pci-0000:00:14.0-usb-0:1:1.0-scsi-0:0:0:0"),
              "/dev/disk/by-path/pci-0000:00:14.0-usb-0:1:1.0-scsi-0:0:0:0");
    // A new listing replaces the old names.
    platform::linux_disks::NameWholeDisks({{"sdc", "/dev/sdc", "ata"}});
    EXPECT_EQ(platform::linux_disks::ResolveDiskPath("\\\\?\\ide#disk#sda#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"),
              "\\\\?\\ide#disk#sda#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}");
}

TEST(RawRights, CapSysRawIoInTheEffectiveSet) {
    EXPECT_TRUE(platform::linux_rights::StatusHasRawIo("Name:\tx\nCapEff:\t0000000000020000\n"));
    EXPECT_TRUE(platform::linux_rights::StatusHasRawIo("CapEff:\t000001ffffffffff\n"));
    EXPECT_FALSE(platform::linux_rights::StatusHasRawIo("CapPrm:\t0000000000020000\nCapEff:\t0000000000000000\n"));
    EXPECT_FALSE(platform::linux_rights::StatusHasRawIo("Name:\tx\n"));
}

TEST(ScsiRescan, EveryHostIsAskedAndFailuresReported) {
    TempDir root;
    for (const char* h : {"host0", "host1"}) {
        std::filesystem::create_directory(root.path() / h);
        std::ofstream(root.path() / h / "scan");
    }
    EXPECT_EQ(platform::linux_scsi::RescanScsiHosts(root.path().string()), 0);
    std::ifstream in(root.path() / "host1" / "scan");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "- - -");
    std::filesystem::create_directory(root.path() / "host2");   // no scan file
    EXPECT_NE(platform::linux_scsi::RescanScsiHosts(root.path().string()), 0);
    EXPECT_NE(platform::linux_scsi::RescanScsiHosts((root.path() / "none").string()), 0);
}

}  // namespace
}  // namespace qx::test
