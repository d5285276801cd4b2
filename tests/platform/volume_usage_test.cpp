#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/linux/volume_usage.h"

namespace qx {
namespace {

using platform::linux_udev::MountPointOf;

// The used-space query finds the volume's mount point in the mount table:
// by device number, with the file system's own root, escapes decoded.
TEST(VolumeUsageTest, MountPointComesFromTheMountTable) {
    const std::string table =
        "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
        "40 22 8:17 /sub /bind/inner rw - vfat /dev/sdb1 rw\n"
        "41 22 8:17 / /media/my\\040stick rw - vfat /dev/sdb1 rw\n"
        "42 22 8:33 / /media/back\\134slash\\7x rw - vfat /dev/sdc1 rw\n"
        "short line\n";
    EXPECT_EQ(MountPointOf(makedev(8, 17), table), "/media/my stick");
    EXPECT_EQ(MountPointOf(makedev(8, 2), table), "/");
    EXPECT_EQ(MountPointOf(makedev(8, 33), table), "/media/back\\slash\\7x");
    EXPECT_EQ(MountPointOf(makedev(8, 18), table), std::nullopt);
}

TEST(VolumeUsageTest, TheRootFileSystemHasASizeAndAnUnmountedNodeNone) {
    struct stat st{};
    ASSERT_EQ(::stat("/", &st), 0);
    // The root of a container may be an overlay without a block device; the
    // query then answers for whatever the table mounts at that number.
    if (const auto usage = platform::linux_udev::MountedUsage(st.st_dev)) {
        EXPECT_GT(usage->totalBytes, 0u);
        EXPECT_LE(usage->freeBytes, usage->totalBytes);
    }
    EXPECT_FALSE(platform::linux_udev::MountedUsage(makedev(4095, 1048575)));
}

}  // namespace
}  // namespace qx
