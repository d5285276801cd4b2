#include "sim/rack/rack_volumes.h"

namespace qx::sim {
namespace {

constexpr std::size_t kTableAt = 446;
constexpr std::size_t kEntryBytes = 16;
constexpr std::size_t kEntries = 4;

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::string VolumeNodeOf(const std::string& diskPath, std::uint32_t partition) {
    return diskPath + "\\Partition" + std::to_string(partition);
}

std::vector<platform::Volume> VolumesOfPartitionTable(const std::string& diskPath,
                                                      std::span<const std::uint8_t> firstSector) {
    std::vector<platform::Volume> volumes{{diskPath, 0, false, false}};
    if (firstSector.size() < 512 || firstSector[510] != 0x55 || firstSector[511] != 0xAA) return volumes;
    for (std::size_t i = 0; i < kEntries; ++i) {
        const std::uint8_t* entry = &firstSector[kTableAt + i * kEntryBytes];
        if (entry[4] == 0 || Le32(entry + 12) == 0) continue;   // no type or no sectors: unused
        const auto n = static_cast<std::uint32_t>(i + 1);
        volumes.push_back({VolumeNodeOf(diskPath, n), n, false, false});
    }
    return volumes;
}

void ListDriveVolume(SimDeviceTree& devices, const std::string& diskPath, const DriveConfig& cfg) {
    if (!cfg.volume) return;
    const std::string node = VolumeNodeOf(diskPath);
    devices.SetVolumes(diskPath, {{diskPath, 0, false, false}, {node, 1, cfg.volumeMounted, false}});
    devices.SetVolumeUsage(node, cfg.capacitySectors * 512, cfg.volumeUsedBytes);
    devices.FailVolumeLocks(node, cfg.volumeLockFailures);
}

std::vector<platform::Volume> VolumesOfDriveTable(const std::string& diskPath, const SimDrive& drive) {
    return VolumesOfPartitionTable(diskPath, drive.ReadUserSectors(0, 1));
}

}  // namespace qx::sim
