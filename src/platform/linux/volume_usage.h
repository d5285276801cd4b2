// How full a mounted volume is: its mount point from the process's mount
// table, then the file system's own counts (statvfs).
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "platform/device_tree.h"

namespace qx::platform::linux_udev {

// The mount point of the first line of a /proc/self/mountinfo table that
// mounts the device with its file system's root; octal escapes (\040 for a
// blank) are decoded. None when no line mounts it.
std::optional<std::string> MountPointOf(dev_t device, const std::string& mountinfo);

// Size and free bytes of the file system mounted from the device.
std::optional<VolumeUsage> MountedUsage(dev_t device);

}  // namespace qx::platform::linux_udev
