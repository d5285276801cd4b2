#include <gtest/gtest.h>

#include <sys/sysmacros.h>

#include "platform/linux/udev_disks.h"

namespace qx {
namespace {

// The safety check of the Linux backend reads the mount table: a partition
// counts as mounted by the device number of any line that names it.
TEST(MountedDevicesTest, EveryLinesDeviceNumberCounts) {
    const std::string table =
        "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
        "36 22 8:17 / /media/stick rw,nosuid shared:30 - vfat /dev/nonexistent1 rw,fmask=0022\n"
        "40 22 0:45 / /proc rw - proc proc rw\n"
        "broken line\n";
    const auto devices = platform::linux_udev::MountedDevices(table);
    EXPECT_EQ(devices.count(makedev(8, 2)), 1u);
    EXPECT_EQ(devices.count(makedev(8, 17)), 1u);
    EXPECT_EQ(devices.count(makedev(8, 16)), 0u);
    EXPECT_EQ(platform::linux_udev::PackDevice(makedev(8, 17)), (8u << 20) | 17u);
}

}  // namespace
}  // namespace qx
