// The device scan: every disk interface of the machine, classed by its path,
// probed when it may be one of the maker's SSDs, and listed when it answers.
// Entry i and slot i belong to the i-th listed device.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "utility/device_entry.h"

namespace qx::utility {

// The interface texts of the path classes, blanks included.
inline constexpr char kIdeSataText[] = " IDE / SATA ";
inline constexpr char kScsiText[] = " SCSI ";
inline constexpr char kUsbText[] = " USB ";
inline constexpr char kSbp2Text[] = " SBP2 ";
inline constexpr char kUsbSataText[] = " USB / SATA ";

struct ScanOptions {
    // Where the system lists SATA disks under "scsi" paths, they are driven
    // directly with ATA requests like "ide" ones.
    bool IsWindows8 = false;
};

// The paths of the present disk interfaces, at most kMaxPaths (the rest are
// traced and skipped); empty when the device tree gives no list.
std::vector<std::string> EnumDiskInterfaces();

// The scan. Rebuilds the list from scratch; entries and slots of indices it
// does not reach keep what they held.
DeviceListModel ScanDevices(DeviceTable& entries, const ScanOptions& options);

// Makes the machine look for disks again: 1 on success, 0 on failure (the
// failure is printed on standard output; the scan runs anyway). rescan is
// the backend's own way; it returns 0 or the system error code.
int RescanDeviceTree(const std::function<int()>& rescan);

}  // namespace qx::utility
