#include "station/images/used_space.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/device_tree.h"
#include "qxlib/base/byte_order.h"
#include "qxlib/transport/pass_through.h"

namespace qx::station {
namespace {

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kReadSectors = 128;
constexpr std::uint32_t kFatEntryMask = 0x0FFFFFFF;

}  // namespace

std::uint64_t GetUsedSpaceMB(const std::string& node) {
    std::uint64_t used = 0;
    if (!node.empty()) {
        if (const auto usage = platform::DeviceNodes().Usage(node); usage && usage->totalBytes >= usage->freeBytes)
            used = usage->totalBytes - usage->freeBytes;
    }
    return (used >> 20) + 1;
}

// Boot sector fields (little-endian):
//   11 bytes per sector (16)   13 sectors per cluster (8)   14 reserved sectors (16)
//   16 FATs (8)                19 total sectors 16 (16)     22 FAT size 16 (16)
//   32 total sectors 32 (32)   36 FAT size 32 (32)          82 "FAT32   "   510 55 AA
std::optional<Fat32Volume> ParseFat32BootSector(std::span<const std::uint8_t> s) {
    if (s.size() < kSectorBytes || s[510] != 0x55 || s[511] != 0xAA || std::memcmp(&s[82], "FAT32   ", 8) != 0)
        return std::nullopt;
    if (get_le16(&s[11]) != kSectorBytes || get_le16(&s[22]) != 0 || get_le16(&s[19]) != 0) return std::nullopt;
    Fat32Volume v;
    v.sectorsPerCluster = s[13];
    v.reservedSectors = get_le16(&s[14]);
    v.fats = s[16];
    v.totalSectors = get_le32(&s[32]);
    v.fatSectors = get_le32(&s[36]);
    const std::uint64_t system = std::uint64_t{v.reservedSectors} + std::uint64_t{v.fats} * v.fatSectors;
    if (v.sectorsPerCluster == 0 || v.fats == 0 || v.fatSectors == 0 || system >= v.totalSectors) return std::nullopt;
    const std::uint64_t clusters = (v.totalSectors - system) / v.sectorsPerCluster;
    // The FAT must hold an entry for every cluster it claims.
    const std::uint64_t entries = std::uint64_t{v.fatSectors} * kSectorBytes / 4;
    v.clusters = static_cast<std::uint32_t>(std::min(clusters, entries > 2 ? entries - 2 : 0));
    return v;
}

std::optional<std::uint64_t> Fat32UsedBytes(const char* diskPath, std::uint32_t bootLba, const Fat32Volume& v) {
    const std::uint64_t firstFat = std::uint64_t{bootLba} + v.reservedSectors;
    const std::uint64_t entriesWanted = std::uint64_t{v.clusters} + 2;
    const std::uint64_t sectorsWanted = (entriesWanted * 4 + kSectorBytes - 1) / kSectorBytes;
    if (firstFat + sectorsWanted > 0xFFFFFFFFull) return std::nullopt;
    std::vector<std::uint8_t> buffer(kReadSectors * kSectorBytes);
    std::uint64_t inUse = 0;
    std::uint64_t entry = 0;
    for (std::uint64_t done = 0; done < sectorsWanted;) {
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(kReadSectors, sectorsWanted - done));
        if (ReadSectorsSCSI(diskPath, buffer.data(), static_cast<std::uint32_t>(firstFat + done),
                            count * kSectorBytes) != 1)
            return std::nullopt;
        for (std::uint32_t i = 0; i < count * kSectorBytes / 4 && entry < entriesWanted; ++i, ++entry)
            if (entry >= 2 && (get_le32(&buffer[i * 4]) & kFatEntryMask) != 0) ++inUse;
        done += count;
    }
    return inUse * v.sectorsPerCluster * kSectorBytes;
}

}  // namespace qx::station
