// How much of a reference drive a capture must take: the used space of its
// volume, from the mounted file system, or counted from the FAT of a FAT32
// volume that nothing has mounted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qx::station {

// Used space of the volume mounted from node, in MiB, plus 1; 1 when the
// node is empty, nothing is mounted from it or the query failed.
std::uint64_t GetUsedSpaceMB(const std::string& node);

// The fields of a FAT32 boot sector a capture needs.
struct Fat32Volume {
    std::uint32_t reservedSectors = 0;
    std::uint32_t fatSectors = 0;          // one FAT
    std::uint32_t fats = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t totalSectors = 0;
    std::uint32_t clusters = 0;            // data clusters, numbered from 2
};
// None unless the sector is a FAT32 boot sector of 512-byte sectors whose
// fields describe a volume.
std::optional<Fat32Volume> ParseFat32BootSector(std::span<const std::uint8_t> sector);

// Bytes in use on an unmounted FAT32 volume whose boot sector is at
// bootLba: clusters whose FAT entry is not free, times the cluster size.
// None when the FAT cannot be read.
std::optional<std::uint64_t> Fat32UsedBytes(const char* diskPath, std::uint32_t bootLba, const Fat32Volume& volume);

}  // namespace qx::station
