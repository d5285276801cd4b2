// What port matching does with the two scans: a port's instance ID, lower
// case, names the parent of its disk interface.
#pragma once

#include <cstring>
#include <span>

#include "qxlib/discovery/port_record.h"
#include "qxlib/discovery/usb_disks.h"

namespace qx::test {

inline const DiskDeviceEntry* DiskOfPort(const PortRecord& port, std::span<const DiskDeviceEntry> disks) {
    char id[sizeof port.DeviceInstanceId];
    std::memcpy(id, port.DeviceInstanceId, sizeof id);
    LowerCaseString(id);
    for (const DiskDeviceEntry& d : disks)
        if (std::strcmp(d.ParentInstanceId, id) == 0) return &d;
    return nullptr;
}

}  // namespace qx::test
