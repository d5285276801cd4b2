// The partition volume a rack drive's description gives its disk in the
// simulated device tree.
#pragma once

#include <string>

#include "sim/config/drive_config.h"
#include "sim/rack/sim_device_tree.h"

namespace qx::sim {

// The node under which a simulated disk lists its partition.
std::string VolumeNodeOf(const std::string& diskPath);

// Lists the disk alone, or with its partition when the configuration has
// one: mounted or not, its used bytes over the drive's capacity, and the
// lock failures to come.
void ListDriveVolume(SimDeviceTree& devices, const std::string& diskPath, const DriveConfig& cfg);

}  // namespace qx::sim
