// USB device arrivals and removals from udev: a netlink monitor on the
// "udev" group (events after udev's rules ran, so the disk's by-path link
// exists by the time the rescan looks), filtered to whole USB devices.
#pragma once

#include <memory>

#include "platform/device_events.h"

namespace qx::platform::linux_udev {

// Empty when no monitor could be set up (no udev, no netlink).
std::unique_ptr<DeviceEventSource> OpenUdevMonitor();

}  // namespace qx::platform::linux_udev
