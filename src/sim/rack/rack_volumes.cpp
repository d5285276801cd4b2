#include "sim/rack/rack_volumes.h"

namespace qx::sim {

std::string VolumeNodeOf(const std::string& diskPath) { return diskPath + "\\Partition1"; }

void ListDriveVolume(SimDeviceTree& devices, const std::string& diskPath, const DriveConfig& cfg) {
    if (!cfg.volume) return;
    const std::string node = VolumeNodeOf(diskPath);
    devices.SetVolumes(diskPath, {{diskPath, 0, false, false}, {node, 1, cfg.volumeMounted, false}});
    devices.SetVolumeUsage(node, cfg.capacitySectors * 512, cfg.volumeUsedBytes);
    devices.FailVolumeLocks(node, cfg.volumeLockFailures);
}

}  // namespace qx::sim
