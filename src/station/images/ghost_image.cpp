#include "station/images/ghost_image.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qxlib/base/byte_order.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/transport/opcodes.h"
#include "qxlib/transport/pass_through.h"

namespace qx::station {
namespace {

constexpr std::uint32_t kNtfsLbaAt = 16384;
constexpr std::uint32_t kNtfsMarkAt = 16390;
constexpr std::uint32_t kNtfsRecordSectors = kNtfsRecordData / 512;
constexpr std::uint32_t kBootSectorAlt = 63;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenFile(const char* path, const char* mode) { return File(path ? std::fopen(path, mode) : nullptr); }

std::optional<std::uint64_t> FileSize(std::FILE* f) {
    if (::fseeko(f, 0, SEEK_END) != 0) return std::nullopt;
    const off_t size = ::ftello(f);
    if (size < 0 || ::fseeko(f, 0, SEEK_SET) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

// The disk's sector count from READ CAPACITY(10) on its path:
//   cdb[0] = 0x25, the rest zero; reply: last LBA (BE32), block length (BE32).
std::optional<std::uint64_t> DiskSectors(const char* diskPath) {
    std::uint8_t cdb[10] = {kScsiReadCapacity10};
    std::uint8_t reply[8] = {};
    std::uint32_t moved = 0;
    if (ReadSCSICommand(diskPath, cdb, sizeof cdb, reply, sizeof reply, &moved) != 1) return std::nullopt;
    return std::uint64_t{get_be32(reply)} + 1;
}

// An image must fit before the first byte goes to the disk.
bool FitsDisk(const char* diskPath, std::uint64_t endSector, const char* what) {
    const auto sectors = DiskSectors(diskPath);
    if (!sectors) {
        DebugPrint("######### - %s: disk size of %s unreadable, nothing written\n", what, diskPath);
        return false;
    }
    if (endSector > *sectors) {
        DebugPrint("######### - %s: image needs %llu sectors, disk has %llu, nothing written\n", what,
                   static_cast<unsigned long long>(endSector), static_cast<unsigned long long>(*sectors));
        return false;
    }
    return true;
}

bool IsNtfsImage(std::FILE* f) {
    std::vector<std::uint8_t> first(kNtfsRecordBytes, 0);
    (void)std::fread(first.data(), 1, first.size(), f);
    return first[kNtfsMarkAt] == 'N' && first[kNtfsMarkAt + 1] == 'T';
}

// The end sector of the furthest record, reading only each record's LBA.
std::optional<std::uint64_t> NtfsImageEnd(std::FILE* f, std::uint64_t records) {
    std::uint64_t end = 0;
    for (std::uint64_t r = 0; r < records; ++r) {
        std::uint8_t lba[4] = {};
        if (::fseeko(f, static_cast<off_t>(r * kNtfsRecordBytes + kNtfsLbaAt), SEEK_SET) != 0 ||
            std::fread(lba, 1, sizeof lba, f) != sizeof lba)
            return std::nullopt;
        end = std::max(end, std::uint64_t{get_le32(lba)} + kNtfsRecordSectors);
    }
    if (::fseeko(f, 0, SEEK_SET) != 0) return std::nullopt;
    return end;
}

// Writes every record; any failed write fails the restore, the others are
// still written so the drive holds all that could be written.
bool WriteNtfsRecords(const char* diskPath, std::FILE* f, std::uint64_t records) {
    std::vector<std::uint8_t> record(kNtfsRecordBytes);
    bool ok = true;
    for (std::uint64_t r = 0; r < records; ++r) {
        std::fill(record.begin(), record.end(), std::uint8_t{0});
        (void)std::fread(record.data(), 1, record.size(), f);
        const std::uint32_t lba = get_le32(&record[kNtfsLbaAt]);
        if (WriteSectorsSCSI(diskPath, record.data(), lba, kNtfsRecordData) != 1) {
            DebugPrint("######### - FlushGhostNTFSImg: write of record %llu at LBA %u failed\n",
                       static_cast<unsigned long long>(r), lba);
            ok = false;
        }
    }
    return ok;
}

}  // namespace

bool ReadGhostImg(const char* diskPath, const char* filePath, std::uint32_t sizeMB) {
    File file = OpenFile(filePath, "w+b");
    if (!file) return false;
    const std::uint64_t bytes = std::uint64_t{sizeMB} * 1048576;
    const std::uint64_t chunks = (bytes + kImageChunkBytes - 1) / kImageChunkBytes;
    std::vector<std::uint8_t> buffer(kImageChunkBytes);
    bool result = false;
    std::uint64_t lba = 0;
    for (std::uint64_t c = 0; c < chunks; ++c, lba += kImageChunkSectors) {
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        // READ(10) addresses 32 bits of LBA; nothing beyond can be captured.
        if (lba > 0xFFFFFFFFull - kImageChunkSectors ||
            ReadSectorsSCSI(diskPath, buffer.data(), static_cast<std::uint32_t>(lba), kImageChunkBytes) != 1) {
            result = false;
            break;
        }
        if (std::fwrite(buffer.data(), 1, buffer.size(), file.get()) != buffer.size()) {
            result = false;
            break;
        }
        result = true;
    }
    if (std::fclose(file.release()) != 0) result = false;
    return result;
}

bool FlushGhostImg(const char* diskPath, const char* filePath) {
    File file = OpenFile(filePath, "rb");
    if (!file) return false;
    if (IsNtfsImage(file.get())) {
        file.reset();
        return FlushGhostNTFSImg(diskPath, filePath);
    }
    const auto size = FileSize(file.get());
    if (!size || *size == 0) return false;
    const std::uint64_t chunks = (*size + kImageChunkBytes - 1) / kImageChunkBytes;
    if (!FitsDisk(diskPath, chunks * kImageChunkSectors, "FlushGhostImg")) return false;

    std::vector<std::uint8_t> buffer(kImageChunkBytes);
    std::uint64_t lba = 0;
    for (std::uint64_t c = 0; c < chunks; ++c, lba += kImageChunkSectors) {
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        (void)std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (WriteSectorsSCSI(diskPath, buffer.data(), static_cast<std::uint32_t>(lba), kImageChunkBytes) != 1) {
            DebugPrint("######### - FlushGhostImg: write at LBA %llu failed\n", static_cast<unsigned long long>(lba));
            return false;
        }
    }
    return true;
}

bool FlushGhostNTFSImg(const char* diskPath, const char* filePath) {
    File file = OpenFile(filePath, "rb");
    if (!file) return false;
    const auto size = FileSize(file.get());
    if (!size) return false;
    const std::uint64_t records = *size / kNtfsRecordBytes;
    const auto end = NtfsImageEnd(file.get(), records);
    if (!end || !FitsDisk(diskPath, *end, "FlushGhostNTFSImg")) return false;

    std::string letter;
    if (!FindDriveLetterOfDisk(diskPath, &letter)) return WriteNtfsRecords(diskPath, file.get(), records);

    auto volume = OpenVolumeByLetter(letter);
    if (!volume) return false;
    if (LockVolume(volume.get()) != 1) {
        CloseVolumeHandle(volume);
        return false;
    }
    const bool written = WriteNtfsRecords(diskPath, file.get(), records);
    file.reset();
    if (UnlockVolume(volume.get()) != 1) {
        CloseVolumeHandle(volume);
        return false;
    }
    return CloseVolumeHandle(volume) == 1 && written;
}

bool CheckImgPattern(const char* diskPath) {
    std::vector<std::uint8_t> buffer(kImageChunkBytes, 0);
    bool ok = ReadSectorsSCSI(diskPath, buffer.data(), 0, kImageChunkBytes) == 1;
    if (buffer[0] != 0xEB) ok = ReadSectorsSCSI(diskPath, buffer.data(), kBootSectorAlt, kImageChunkBytes) == 1;
    if (buffer[0] == 0xEB && buffer[2] == 0x90 && buffer[66] == 0x29 && buffer[510] == 0x55 && buffer[511] == 0xAA)
        ok = true;
    return ok;
}

}  // namespace qx::station
