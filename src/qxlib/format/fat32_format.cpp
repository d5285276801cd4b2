#include "qxlib/format/fat32_format.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/device_io.h"
#include "platform/device_tree.h"
#include "platform/trace_sink.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/transport/pass_through.h"

namespace qx {

std::atomic<int> FormatOpenRetries{5};

namespace {

constexpr std::uint64_t kDiskLockWaitMs = 10'000;

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kZeroChunkSectors = 128;
constexpr std::uint32_t kFsInfoSector = 1;
constexpr std::uint32_t kBackupBootSector = 6;
constexpr std::uint32_t kRootCluster = 2;
constexpr std::size_t kLabelLength = 11;

using Sector = std::array<std::uint8_t, kSectorSize>;

void PutLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t GetLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<std::uint32_t>(p[3]) << 24;
}

// The label as both the boot sector and the root directory hold it: at
// most 11 bytes, blank-padded; "NO NAME" when there is none.
std::string VolumeLabel(const char* label) {
    std::string l(label ? label : "");
    if (l.size() > kLabelLength) l.resize(kLabelLength);
    if (l.empty()) l = "NO NAME";
    l.resize(kLabelLength, ' ');
    return l;
}

struct Fat32Plan {
    std::uint32_t totalSectors = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t clusters = 0;
};

// Boot sector, multi-byte values little-endian, unlisted bytes 0:
//   0 EB 5A 90 | 3 "MSWIN4.1" | 11 bytes/sector | 13 sectors/cluster | 14 reserved 32
//   16 FATs 2 | 21 media F8 | 24 sectors/track | 26 heads | 28 hidden (partition start)
//   32 total sectors of the volume | 36 sectors/FAT | 44 root cluster 2 | 48 FSInfo 1
//   50 backup boot 6 | 64 drive 80 | 66 signature 29 | 67 volume ID | 71 label
//   82 "FAT32   " | 510 55 AA
Sector BootSector(const Fat32Plan& p, const platform::DiskGeometry& g, std::uint32_t start, std::uint32_t id,
                  const std::string& label) {
    Sector b{};
    b[0] = 0xEB;
    b[1] = 0x5A;
    b[2] = 0x90;
    std::memcpy(&b[3], "MSWIN4.1", 8);
    PutLe16(&b[11], kSectorSize);
    b[13] = static_cast<std::uint8_t>(p.sectorsPerCluster);
    PutLe16(&b[14], kFat32ReservedSectors);
    b[16] = kFat32Fats;
    b[21] = 0xF8;
    PutLe16(&b[24], g.sectorsPerTrack);
    PutLe16(&b[26], g.tracksPerCylinder);
    PutLe32(&b[28], start);
    PutLe32(&b[32], p.totalSectors);
    PutLe32(&b[36], p.fatSectors);
    PutLe32(&b[44], kRootCluster);
    PutLe16(&b[48], kFsInfoSector);
    PutLe16(&b[50], kBackupBootSector);
    b[64] = 0x80;
    b[66] = 0x29;
    PutLe32(&b[67], id);
    std::memcpy(&b[71], label.data(), kLabelLength);
    std::memcpy(&b[82], "FAT32   ", 8);
    b[510] = 0x55;
    b[511] = 0xAA;
    return b;
}

// FSInfo: 0 41615252 | 484 61417272 | 488 free clusters | 492 next free | 508 AA550000
Sector FsInfoSector(const Fat32Plan& p) {
    Sector s{};
    PutLe32(&s[0], 0x41615252);
    PutLe32(&s[484], 0x61417272);
    PutLe32(&s[488], p.clusters - 1);     // the root directory holds cluster 2
    PutLe32(&s[492], kRootCluster + 1);
    PutLe32(&s[508], 0xAA550000);
    return s;
}

// Entries 0 and 1 (media, end of chain) and the root directory's single cluster.
Sector FirstFatSector() {
    Sector s{};
    PutLe32(&s[0], 0x0FFFFFF8);
    PutLe32(&s[4], 0x0FFFFFFF);
    PutLe32(&s[8], 0x0FFFFFFF);
    return s;
}

// The disk is free for the format. Right after its partition table was
// re-read udev probes it and holds a lock on it for a moment: each attempt
// waits for such a lock as long as it is held, within one budget for all
// attempts (the time-out of a sector write), instead of sleeping a fixed
// time between attempts.
bool DiskOpens(const char* diskPath) {
    const int attempts = FormatOpenRetries.load();
    const std::uint64_t deadline = platform::TickMs() + kDiskLockWaitMs;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (platform::CancelRequested()) return false;
        const std::uint64_t now = platform::TickMs();
        const auto wait = std::chrono::milliseconds(deadline > now ? deadline - now : 0);
        auto opened = platform::Devices().OpenWaiting(diskPath, platform::ShareMode::Exclusive, wait);
        if (opened.handle) return true;
        const std::string line = "Cannot open " + std::string(diskPath) + " (error " + std::to_string(opened.error) +
                                 "), attempt " + std::to_string(attempt);
        DebugOutLine(line.c_str());
    }
    return false;
}

// Sectors of the volume at start: its MBR partition's length, else the rest
// of the disk. None when the table cannot be read or the partition does
// not fit on the disk.
std::optional<std::uint64_t> VolumeSectors(const char* diskPath, std::uint32_t start, std::uint64_t diskSectors) {
    if (start >= diskSectors) return std::nullopt;
    Sector mbr{};
    if (ReadSectorsSCSI(diskPath, mbr.data(), 0, kSectorSize) != 1) {
        DebugOutLine("Failed to read the partition table");
        return std::nullopt;
    }
    if (mbr[510] == 0x55 && mbr[511] == 0xAA) {
        for (std::size_t e = 446; e < 510; e += 16) {
            if (GetLe32(&mbr[e + 8]) != start || !mbr[e + 4]) continue;
            const std::uint64_t length = GetLe32(&mbr[e + 12]);
            if (start + length > diskSectors) {
                DebugOutLine("The partition runs past the end of the disk");
                return std::nullopt;
            }
            return length;
        }
    }
    return diskSectors - start;
}

std::optional<Fat32Plan> Plan(std::uint64_t volumeSectors, std::uint64_t diskBytes, std::uint32_t clusterOption) {
    if (volumeSectors >= 0xFFFFFFFFull) {
        DebugOutLine("This drive is too big for FAT32 - max 2TB supported\n");
        return std::nullopt;
    }
    Fat32Plan p;
    p.totalSectors = static_cast<std::uint32_t>(volumeSectors);
    p.sectorsPerCluster = clusterOption ? clusterOption : GetSectorsPerCluster(diskBytes, kSectorSize);
    if (p.sectorsPerCluster == 0 || p.sectorsPerCluster > 128 || (p.sectorsPerCluster & (p.sectorsPerCluster - 1))) {
        DebugOutLine("Sectors per cluster must be a power of 2 from 1 to 128");
        return std::nullopt;
    }
    p.fatSectors = get_fat_size_sectors(p.totalSectors, kFat32ReservedSectors, p.sectorsPerCluster, kFat32Fats,
                                        kSectorSize);
    const std::uint64_t meta = kFat32ReservedSectors + std::uint64_t{kFat32Fats} * p.fatSectors;
    if (meta + p.sectorsPerCluster > p.totalSectors) {
        DebugOutLine("This drive is too small for FAT32 - there must be at least 64K clusters\n");
        return std::nullopt;
    }
    p.clusters = static_cast<std::uint32_t>((p.totalSectors - meta) / p.sectorsPerCluster);
    if (p.clusters < kFat32MinClusters) {
        DebugOutLine("This drive is too small for FAT32 - there must be at least 64K clusters\n");
        return std::nullopt;
    }
    if (p.clusters > kFat32MaxClusters) {
        DebugOutLine("This drive has more than 2^28 clusters, try to specify a larger cluster size\n");
        return std::nullopt;
    }
    return p;
}

bool WriteOne(const char* diskPath, std::uint32_t sector, Sector& s) {
    return WriteFormatSectors(diskPath, sector, kSectorSize, s.data(), 1) == 1;
}

}  // namespace

int FormatDiskVolume(const char* diskPath, const FormatParams& options, const char* label, std::uint32_t a,
                     std::uint64_t diskBytes) {
    if (!diskPath || !*diskPath) return 0;
    const std::uint32_t id = GetVolumeID();
    const std::string name = VolumeLabel(label);
    if (!DiskOpens(diskPath)) return 0;
    const auto geometry = platform::DeviceNodes().Geometry(diskPath);
    if (!geometry) {
        DebugOutLine("Failed to get device geometry");
        return 0;
    }
    if (!platform::DeviceNodes().Volumes(diskPath)) {
        DebugOutLine("Failed to get parition info");
        return 0;
    }
    if (!DiskIsFree(diskPath)) return 0;
    if (geometry->bytesPerSector != kSectorSize) {
        DebugOutLine("This version of fat32format only supports hard disks with 512 bytes per sector.\n");
        return 0;
    }
    const std::uint64_t diskSectors = diskBytes / kSectorSize;
    if (diskSectors == 0) {
        DebugOutLine("The drive reports no capacity");
        return 0;
    }
    const auto volumeSectors = VolumeSectors(diskPath, a, diskSectors);
    if (!volumeSectors) return 0;
    const auto plan = Plan(*volumeSectors, diskBytes, options.SectorsPerCluster);
    if (!plan) return 0;

    DebugPrint("Size : %gGB %u sectors\n", static_cast<double>(diskBytes / 1000000000), plan->totalSectors);
    DebugPrint("%d Bytes Per Sector, Cluster size %d bytes\n", static_cast<int>(kSectorSize),
               static_cast<int>(plan->sectorsPerCluster * kSectorSize));
    DebugPrint("Volume ID is %x:%x\n", id >> 16, id & 0xFFFF);
    DebugPrint("%d Reserved Sectors, %u Sectors per FAT, %d fats\n", static_cast<int>(kFat32ReservedSectors),
               plan->fatSectors, static_cast<int>(kFat32Fats));
    DebugPrint("%u Total clusters\n", plan->clusters);
    DebugPrint("%u Free Clusters\n", plan->clusters - 1);

    Sector boot = BootSector(*plan, *geometry, a, id, name);
    Sector fsInfo = FsInfoSector(*plan);
    Sector fat = FirstFatSector();
    DebugPrint("Formatting drive ...\n");
    const std::uint32_t system = kFat32ReservedSectors + kFat32Fats * plan->fatSectors;
    if (!zero_sectors_LBA(diskPath, a, kSectorSize, system + plan->sectorsPerCluster)) return 0;
    DebugPrint("Initialising reserved sectors and FATs...\n");
    if (!WriteOne(diskPath, a, boot) || !WriteOne(diskPath, a + kFsInfoSector, fsInfo) ||
        !WriteOne(diskPath, a + kBackupBootSector, boot) || !WriteOne(diskPath, a + kBackupBootSector + 1, fsInfo))
        return 0;
    for (std::uint32_t i = 0; i < kFat32Fats; ++i)
        if (!WriteOne(diskPath, a + kFat32ReservedSectors + i * plan->fatSectors, fat)) return 0;
    // A failed label write leaves a sound volume without a label entry.
    if (label && *label) WriteVolumeLabelEntry(diskPath, label, a + system);
    return 1;
}

std::uint8_t GetSectorsPerCluster(std::uint64_t diskBytes, std::uint32_t bytesPerSector) {
    const std::uint64_t mib = diskBytes / (1024 * 1024);
    if (mib <= 512) return 1;
    const std::uint32_t kb = mib > 32768 ? 32 : mib > 16384 ? 16 : mib > 8192 ? 8 : 4;
    return get_spc(kb, bytesPerSector);
}

std::uint8_t get_spc(std::uint32_t clusterKb, std::uint32_t bytesPerSector) {
    if (bytesPerSector == 0) {
        DebugOutLine("get_spc");
        return 0;
    }
    return static_cast<std::uint8_t>(std::uint64_t{clusterKb} * 1024 / bytesPerSector);
}

std::uint32_t get_fat_size_sectors(std::uint64_t totalSectors, std::uint32_t reservedSectors,
                                   std::uint32_t sectorsPerCluster, std::uint32_t fats, std::uint32_t bytesPerSector) {
    const std::uint64_t divisor = std::uint64_t{sectorsPerCluster} * bytesPerSector + 4ull * fats;
    if (divisor == 0 || totalSectors < reservedSectors) {
        DebugOutLine("get_fat_size_sectors");
        return 1;
    }
    const std::uint64_t data = totalSectors - reservedSectors;
    std::uint64_t fat = 4 * data / divisor + 1;
    // The estimate can leave the FAT one entry short of the clusters it must
    // describe (plus its two reserved entries); grow it until it is not.
    if (sectorsPerCluster && bytesPerSector >= 4) {
        while (fats * fat < data && fat * (bytesPerSector / 4) < (data - fats * fat) / sectorsPerCluster + 2) ++fat;
    }
    return static_cast<std::uint32_t>(fat);
}

int zero_sectors_LBA(const char* diskPath, std::uint32_t firstSector, std::uint32_t bytesPerSector,
                     std::uint32_t sectorCount) {
    if (sectorCount == 0 || bytesPerSector == 0) return 0;
    std::vector<std::uint8_t> buffer(std::size_t{kZeroChunkSectors} * bytesPerSector);
    for (std::uint32_t done = 0; done < sectorCount;) {
        const std::uint32_t n = std::min(kZeroChunkSectors, sectorCount - done);
        const std::uint32_t bytes = n * bytesPerSector;
        std::fill_n(buffer.begin(), bytes, std::uint8_t{0});
        if (WriteSectorsSCSI(diskPath, buffer.data(), firstSector + done, bytes) != 1) {
            DebugOutLine("Failed to write");
            return 0;
        }
        if (ReadSectorsSCSI(diskPath, buffer.data(), firstSector + done, bytes) != 1) {
            DebugOutLine("Failed to read");
            return 0;
        }
        if (std::any_of(buffer.begin(), buffer.begin() + bytes, [](std::uint8_t b) { return b != 0; })) return 0;
        done += n;
    }
    return 1;
}

int WriteFormatSectors(const char* diskPath, std::uint32_t sector, std::uint32_t bytesPerSector,
                       std::uint8_t* buffer, std::uint32_t sectorCount) {
    const int r = WriteSectorsSCSI(diskPath, buffer, sector, bytesPerSector * sectorCount);
    if (r != 1) DebugOutLine("Failed to write");
    return r;
}

int WriteVolumeLabelEntry(const char* diskPath, const char* label, std::uint32_t sector) {
    Sector s{};
    if (ReadSectorsSCSI(diskPath, s.data(), sector, kSectorSize) != 1) return 0;
    const std::string name = VolumeLabel(label);
    std::memcpy(s.data(), name.data(), kLabelLength);
    s[kLabelLength] = 0x08;   // volume label attribute
    return WriteSectorsSCSI(diskPath, s.data(), sector, kSectorSize) == 1 ? 1 : 0;
}

std::uint32_t GetVolumeID() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    const auto month = static_cast<std::uint32_t>(tm.tm_mon + 1), day = static_cast<std::uint32_t>(tm.tm_mday);
    const auto hour = static_cast<std::uint32_t>(tm.tm_hour), minute = static_cast<std::uint32_t>(tm.tm_min);
    const auto second = static_cast<std::uint32_t>(tm.tm_sec), year = static_cast<std::uint32_t>(tm.tm_year + 1900);
    const std::uint32_t low = (month * 256 + day + second * 256 + static_cast<std::uint32_t>(ms) / 10) & 0xFFFF;
    const std::uint32_t high = (hour * 256 + minute + year) & 0xFFFF;
    return high << 16 | low;
}

void DebugOutLine(const char* text) {
    std::string line(text ? text : "");
    if (line.size() > 258) line.resize(258);
    platform::DebugOutput(line + "\n");
}

}  // namespace qx
