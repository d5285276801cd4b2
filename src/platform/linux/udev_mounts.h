// Where a block device is mounted, read from a mount table in
// /proc/self/mountinfo form.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qx::platform::linux_udev {

// The mount points of the device, in table order, with the table's octal
// escapes ("\040" for a space) decoded.
std::vector<std::string> MountPoints(const std::string& mountinfo, dev_t device);

}  // namespace qx::platform::linux_udev
