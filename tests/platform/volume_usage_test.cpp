#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/linux/volume_usage.h"

namespace qx {
namespace {

// The used-space query reads the file system the mount table names for the
// device number.
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
