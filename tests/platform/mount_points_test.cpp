#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include "platform/linux/udev_mounts.h"

namespace qx::platform::linux_udev {
namespace {

// Safe removal unmounts every mount of the disk's devices, names with
// spaces included, in table order.
TEST(MountPointsTest, EveryMountOfTheDeviceWithEscapesDecoded) {
    const std::string table =
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "40 22 8:17 / /media/usb\\040stick rw,nosuid - vfat /dev/sdb1 rw\n"
        "41 22 8:17 /sub /srv/bind rw - vfat /dev/sdb1 rw\n"
        "42 22 8:18 / /mnt/other rw - vfat /dev/sdb2 rw\n"
        "garbage line\n";
    EXPECT_EQ(MountPoints(table, makedev(8, 17)), (std::vector<std::string>{"/media/usb stick", "/srv/bind"}));
    EXPECT_TRUE(MountPoints(table, makedev(8, 32)).empty());
    EXPECT_EQ(MountPoints("1 1 8:1 / /a\\\\b\\04 rw\n", makedev(8, 1)), std::vector<std::string>{"/a\\\\b\\04"});
}

}  // namespace
}  // namespace qx::platform::linux_udev
