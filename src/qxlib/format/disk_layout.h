// The single-partition disk layout of a produced drive, and the small disk
// and volume operations the worker and the image capture share. "Drive
// letter" here is the partition's device node (e.g. /dev/sdb1).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/device_tree.h"
#include "qxlib/vendor_access/identify_capacity.h"

namespace qx {

inline constexpr std::uint32_t kPartitionStart = 63;
inline constexpr std::uint8_t kPartitionTypeFat32 = 0x0B;
inline constexpr std::uint32_t kMbrDiskSignature = 0xB1732E49;

// No system here needs the old layout call: always false, so the worker
// takes CreateSinglePartitionEx.
bool IsWindows2000();

// A fresh MBR (disk signature 0) with one FAT32 partition at sector 63 over
// the whole cylinders of diskSectors; then the system reads the table again.
bool CreateSinglePartition(const char* diskPath, std::uint32_t diskSectors);
inline bool CreateSinglePartitionEx(const char* diskPath, int slot) {
    return CreateSinglePartition(diskPath, GetCapacitySectors(slot));
}
// The same over the geometry's cylinders, with the MBR's own disk signature.
bool WriteMbrAndPartition(const char* diskPath);

// True only when the disk query succeeded and nothing on the disk is
// mounted, used as swap or part of the running system.
bool DiskIsFree(const char* diskPath);

bool GetStorageDeviceNumber(const char* path, platform::StorageNumber* number);
// The first partition of the disk that holds no part of the running system.
bool FindDriveLetterOfDisk(const char* diskPath, std::string* node);
std::unique_ptr<platform::VolumeHandle> OpenVolumeByLetter(const std::string& node);
int LockVolume(platform::VolumeHandle* volume);
int UnlockVolume(platform::VolumeHandle* volume);
int CloseVolumeHandle(std::unique_ptr<platform::VolumeHandle>& volume);

// 1 when any of the first length bytes differ; 0 otherwise (and for length <= 0).
int BytesDiffer(const void* first, const void* second, int length);

}  // namespace qx
