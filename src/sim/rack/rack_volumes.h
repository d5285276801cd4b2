// The partition volumes of a rack drive's disk in the simulated device
// tree: the one its description gives, or those its partition table lists
// once the system has read it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/config/drive_config.h"
#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_drive.h"

namespace qx::sim {

// The node under which a simulated disk lists its partition N.
std::string VolumeNodeOf(const std::string& diskPath, std::uint32_t partition = 1);

// What the system lists after reading a disk's partition table from its
// first sector: the whole disk, then a volume for every entry in use. A
// sector without the table's closing mark lists the whole disk alone.
std::vector<platform::Volume> VolumesOfPartitionTable(const std::string& diskPath,
                                                      std::span<const std::uint8_t> firstSector);
// The same read from the drive's own first sector.
std::vector<platform::Volume> VolumesOfDriveTable(const std::string& diskPath, const SimDrive& drive);

// Lists the disk alone, or with its partition when the configuration has
// one: mounted or not, its used bytes over the drive's capacity, and the
// lock failures to come.
void ListDriveVolume(SimDeviceTree& devices, const std::string& diskPath, const DriveConfig& cfg);

}  // namespace qx::sim
