// The FAT32 formatter: writes the file system of a produced drive's single
// partition sector by sector through READ(10)/WRITE(10) on the disk's path,
// clearing the reserved sectors, both FATs and the root cluster and reading
// them back before the layout goes on. Several workers format at once; each
// call owns its buffers.
#pragma once

#include <atomic>
#include <cstdint>

#include "qxlib/vendor_access/identify_capacity.h"

namespace qx {

struct FormatParams {
    std::uint32_t SectorsPerCluster = 0;   // 0: chosen by disk size
};

// Attempts to open the disk; the run controller sets it before workers start.
extern std::atomic<int> FormatOpenRetries;

inline constexpr std::uint32_t kFat32ReservedSectors = 32;
inline constexpr std::uint32_t kFat32Fats = 2;
inline constexpr std::uint32_t kFat32MinClusters = 65525;
inline constexpr std::uint32_t kFat32MaxClusters = 0x0FFFFFF5;

// Formats the volume that starts at startSector on a disk of diskBytes: the
// volume is the MBR partition that starts there (else the rest of the disk).
// 1 formatted; 0 failed. Fails before writing anything when the disk is in
// use, its sectors are not 512 bytes, or the volume is no FAT32 volume.
int FormatDiskVolume(const char* diskPath, const FormatParams& options, const char* label,
                     std::uint32_t startSector, std::uint64_t diskBytes);
inline int format_direct(const char* diskPath, const FormatParams& options, const char* label,
                         std::uint32_t startSector, int slot) {
    return FormatDiskVolume(diskPath, options, label, startSector, GetCapacityBytes(slot));
}
inline bool FormatDiskFAT32(const char* diskPath, const char* label, int slot) {
    return format_direct(diskPath, FormatParams{}, label, 63, slot) != 0;
}

std::uint8_t GetSectorsPerCluster(std::uint64_t diskBytes, std::uint32_t bytesPerSector);
std::uint8_t get_spc(std::uint32_t clusterKb, std::uint32_t bytesPerSector);
// Sectors per FAT: enough for an entry for every cluster the rest leaves.
std::uint32_t get_fat_size_sectors(std::uint64_t totalSectors, std::uint32_t reservedSectors,
                                   std::uint32_t sectorsPerCluster, std::uint32_t fats, std::uint32_t bytesPerSector);

int zero_sectors_LBA(const char* diskPath, std::uint32_t firstSector, std::uint32_t bytesPerSector,
                     std::uint32_t sectorCount);
int WriteFormatSectors(const char* diskPath, std::uint32_t sector, std::uint32_t bytesPerSector,
                       std::uint8_t* buffer, std::uint32_t sectorCount);
int WriteVolumeLabelEntry(const char* diskPath, const char* label, std::uint32_t sector);
std::uint32_t GetVolumeID();
// The text and a line feed to the system debug output; at most 258 characters.
void DebugOutLine(const char* text);

}  // namespace qx
