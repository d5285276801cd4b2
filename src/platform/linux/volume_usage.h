// How full a mounted volume is: its mount point from the process's mount
// table, then the file system's own counts (statvfs).
#pragma once

#include <sys/types.h>

#include <optional>

#include "platform/device_tree.h"

namespace qx::platform::linux_udev {

// Size and free bytes of the file system mounted from the device; none when
// the table mounts nothing from it. Any of its mount points answers for the
// whole file system.
std::optional<VolumeUsage> MountedUsage(dev_t device);

}  // namespace qx::platform::linux_udev
