// The device tree: disk interfaces with the USB device each disk hangs off,
// device nodes found by driver key, and the disk and volume queries the
// partition writer and the formatter need before they touch a disk.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx::platform {

// A disk-drive device and its parent device (the USB device).
struct DiskDrive {
    std::string deviceId;            // e.g. USBSTOR\DISK&VEN_QX&PROD_SSD&REV_1.00\0001&0
    std::uint32_t devInst = 0;
    std::string parentId;            // e.g. USB\VID_1234&PID_5678\0001
    std::uint32_t parentDevInst = 0;
};

inline constexpr std::uint32_t kDeviceTypeDisk = 7;

// Which disk a device path belongs to; partition 0 is the whole disk.
struct StorageNumber {
    std::uint32_t deviceType = kDeviceTypeDisk;
    std::uint32_t deviceNumber = 0;
    std::uint32_t partitionNumber = 0;
};

struct DiskGeometry {
    std::uint64_t cylinders = 0;          // whole cylinders of the disk's size
    std::uint32_t bytesPerSector = 512;
    std::uint32_t sectorsPerTrack = 63;
    std::uint32_t tracksPerCylinder = 255;
};

// The disk itself (partition 0) or one of its partitions, and whether
// anything uses it: a mounted file system, swap, or a layer of the running
// system (root file system, device mapper, RAID).
struct Volume {
    std::string node;                // where it is opened, e.g. /dev/sdb1
    std::uint32_t partition = 0;
    bool mounted = false;
    bool systemUse = false;
};

// Size and free space of a mounted file system, in bytes.
struct VolumeUsage {
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;
};

// An opened volume; locking claims it exclusively (fails while mounted).
class VolumeHandle {
public:
    virtual ~VolumeHandle() = default;
    virtual bool Lock() = 0;
    virtual bool Unlock() = 0;
};

class DeviceTree {
public:
    virtual ~DeviceTree() = default;
    // Paths of the present disk interfaces in the system's order, up to the
    // first whose detail could not be read; none when no list was obtained.
    virtual std::optional<std::vector<std::string>> DiskInterfaces() = 0;
    // Every whole disk of the machine, whatever its transport, under a path
    // whose class word ("ide", "usbstor", "sbp2", "scsi") follows the
    // transport; the utility's scan lists these. Where the disk interfaces
    // already are such paths, they are the answer.
    virtual std::optional<std::vector<std::string>> AllDiskInterfaces() { return DiskInterfaces(); }
    // The present disk-drive devices; none when no list was obtained.
    virtual std::optional<std::vector<DiskDrive>> DiskDrives() = 0;
    // Device instance ID of the node whose driver key equals the key
    // without regard to letter case; none when no node has it.
    virtual std::optional<std::string> FindDeviceByDriverKey(std::string_view key) = 0;

    virtual std::optional<StorageNumber> DeviceNumber(std::string_view path) = 0;
    virtual std::optional<DiskGeometry> Geometry(std::string_view diskPath) = 0;
    // The disk and its partitions; none when the query failed.
    virtual std::optional<std::vector<Volume>> Volumes(std::string_view diskPath) = 0;
    // Makes the system read the partition table again after it was written.
    virtual bool RereadPartitions(std::string_view diskPath) = 0;
    // Empty when the node is not a volume that can be opened.
    virtual std::unique_ptr<VolumeHandle> OpenVolume(std::string_view node, bool readOnly) = 0;

    // Safe removal of a USB device (its node, as DiskDrive::parentDevInst
    // gives it) with every disk under it: data flushed, file systems
    // unmounted, the disks and then the device taken out of the system.
    // Empty when it is gone (or was not there); otherwise the veto: what
    // holds it, e.g. a busy mount point.
    virtual std::string RemoveDevice(std::uint32_t parentDevInst) = 0;

    // The file system mounted from the volume's node; none when nothing is
    // mounted from it or the query failed.
    virtual std::optional<VolumeUsage> Usage(std::string_view node) {
        (void)node;
        return std::nullopt;
    }
};

// The backend the library uses. Chosen once at start; tests swap it.
DeviceTree& DeviceNodes();
void SetDeviceTree(DeviceTree* tree);   // nullptr restores the Linux udev backend

}  // namespace qx::platform
