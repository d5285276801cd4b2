#include "qxlib/format/disk_layout.h"

#include <array>
#include <cstring>

#include "qxlib/base/debug_print.h"
#include "qxlib/transport/pass_through.h"

namespace qx {
namespace {

constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kPartitionTable = 446;

// Boot code: relocates itself to 0x600, finds the active partition, loads
// its boot sector to 0x7C00 (INT 13h extensions, else CHS) and jumps to it;
// otherwise prints "Invalid partition table", "Error loading operating
// system" or "Missing operating system" and halts. Assembled from:
//     cli; xor ax,ax; mov ss,ax; mov sp,0x7C00; mov ds,ax; mov es,ax; sti; cld
//     mov si,0x7C00; mov di,0x600; mov cx,256; rep movsw; jmp 0:relocated
//   relocated: mov [drive],dl; mov si,0x7BE; mov cx,4
//   find: cmp byte [si],0x80; je found; add si,16; loop find; mov si,msg_table; jmp fail
//   found: mov bx,0x55AA; mov ah,0x41; int 13h; jc chs; cmp bx,0xAA55; jne chs; test cl,1; jz chs
//     mov eax,[si+8]; mov [dap_lba],eax; push si; mov si,dap; mov ah,0x42; mov dl,[drive]
//     int 13h; pop si; jc load_error; jmp check
//   chs: mov ax,0x0201; mov bx,0x7C00; mov cx,[si+2]; mov dh,[si+1]; mov dl,[drive]; int 13h; jc load_error
//   check: cmp word [0x7DFE],0xAA55; jne missing; mov dl,[drive]; jmp 0:0x7C00
//   load_error: mov si,msg_load; jmp fail
//   missing: mov si,msg_missing
//   fail: lodsb; test al,al; jz halt; mov ah,0x0E; mov bx,7; int 10h; jmp fail
//   halt: hlt; jmp halt
//   drive db 0; dap db 16,0 / dw 1,0x7C00,0 / dd lba,0; then the three messages
constexpr std::uint8_t kBootCode[] = {
    0xFA, 0x31, 0xC0, 0x8E, 0xD0, 0xBC, 0x00, 0x7C, 0x8E, 0xD8, 0x8E, 0xC0, 0xFB, 0xFC, 0xBE, 0x00,
    0x7C, 0xBF, 0x00, 0x06, 0xB9, 0x00, 0x01, 0xF3, 0xA5, 0xEA, 0x1E, 0x06, 0x00, 0x00, 0x88, 0x16,
    0xA2, 0x06, 0xBE, 0xBE, 0x07, 0xB9, 0x04, 0x00, 0x80, 0x3C, 0x80, 0x74, 0x0A, 0x83, 0xC6, 0x10,
    0xE2, 0xF6, 0xBE, 0xB3, 0x06, 0xEB, 0x5A, 0xBB, 0xAA, 0x55, 0xB4, 0x41, 0xCD, 0x13, 0x72, 0x24,
    0x81, 0xFB, 0x55, 0xAA, 0x75, 0x1E, 0xF6, 0xC1, 0x01, 0x74, 0x19, 0x66, 0x8B, 0x44, 0x08, 0x66,
    0xA3, 0xAB, 0x06, 0x56, 0xBE, 0xA3, 0x06, 0xB4, 0x42, 0x8A, 0x16, 0xA2, 0x06, 0xCD, 0x13, 0x5E,
    0x72, 0x27, 0xEB, 0x14, 0xB8, 0x01, 0x02, 0xBB, 0x00, 0x7C, 0x8B, 0x4C, 0x02, 0x8A, 0x74, 0x01,
    0x8A, 0x16, 0xA2, 0x06, 0xCD, 0x13, 0x72, 0x11, 0x81, 0x3E, 0xFE, 0x7D, 0x55, 0xAA, 0x75, 0x0E,
    0x8A, 0x16, 0xA2, 0x06, 0xEA, 0x00, 0x7C, 0x00, 0x00, 0xBE, 0xCB, 0x06, 0xEB, 0x03, 0xBE, 0xEA,
    0x06, 0xAC, 0x84, 0xC0, 0x74, 0x09, 0xB4, 0x0E, 0xBB, 0x07, 0x00, 0xCD, 0x10, 0xEB, 0xF2, 0xF4,
    0xEB, 0xFD, 0x00, 0x10, 0x00, 0x01, 0x00, 0x00, 0x7C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x49, 0x6E, 0x76, 0x61, 0x6C, 0x69, 0x64, 0x20, 0x70, 0x61, 0x72, 0x74, 0x69,
    0x74, 0x69, 0x6F, 0x6E, 0x20, 0x74, 0x61, 0x62, 0x6C, 0x65, 0x00, 0x45, 0x72, 0x72, 0x6F, 0x72,
    0x20, 0x6C, 0x6F, 0x61, 0x64, 0x69, 0x6E, 0x67, 0x20, 0x6F, 0x70, 0x65, 0x72, 0x61, 0x74, 0x69,
    0x6E, 0x67, 0x20, 0x73, 0x79, 0x73, 0x74, 0x65, 0x6D, 0x00, 0x4D, 0x69, 0x73, 0x73, 0x69, 0x6E,
    0x67, 0x20, 0x6F, 0x70, 0x65, 0x72, 0x61, 0x74, 0x69, 0x6E, 0x67, 0x20, 0x73, 0x79, 0x73, 0x74,
    0x65, 0x6D, 0x00,
};
static_assert(sizeof kBootCode <= 440);

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Cylinder/head/sector of an LBA; beyond cylinder 1023 the usual 1023/H-1/S.
void PutChs(std::uint8_t* p, std::uint64_t lba, const platform::DiskGeometry& g) {
    const std::uint64_t perCylinder = std::uint64_t{g.tracksPerCylinder} * g.sectorsPerTrack;
    std::uint64_t c = lba / perCylinder;
    std::uint64_t h = lba / g.sectorsPerTrack % g.tracksPerCylinder;
    std::uint64_t s = lba % g.sectorsPerTrack + 1;
    if (c > 1023) {
        c = 1023;
        h = g.tracksPerCylinder - 1;
        s = g.sectorsPerTrack;
    }
    p[0] = static_cast<std::uint8_t>(h);
    p[1] = static_cast<std::uint8_t>(s | (c >> 2 & 0xC0));
    p[2] = static_cast<std::uint8_t>(c & 0xFF);
}

// Sector 0: boot code, disk signature, one FAT32 partition at 63 (not
// active), the other three entries empty.
//   offset  width  value
//   0       440    boot code
//   440     4      disk signature
//   446     16     entry 0: boot 0, CHS start, type 0x0B, CHS end, LBA 63, length
//   462     48     entries 1-3: zero
//   510     2      0x55 0xAA
std::array<std::uint8_t, kSectorSize> BuildMbr(std::uint32_t signature, std::uint32_t length,
                                               const platform::DiskGeometry& g) {
    std::array<std::uint8_t, kSectorSize> mbr{};
    std::memcpy(mbr.data(), kBootCode, sizeof kBootCode);
    PutLe32(&mbr[440], signature);
    std::uint8_t* e = &mbr[kPartitionTable];
    e[0] = 0;
    PutChs(e + 1, kPartitionStart, g);
    e[4] = kPartitionTypeFat32;
    PutChs(e + 5, std::uint64_t{kPartitionStart} + length - 1, g);
    PutLe32(e + 8, kPartitionStart);
    PutLe32(e + 12, length);
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    return mbr;
}

// Writes the MBR with one partition over whole cylinders, then has the
// system read the table again.
bool WriteLayout(const char* diskPath, std::uint32_t signature, std::uint64_t cylinders) {
    if (!diskPath || !*diskPath || !DiskIsFree(diskPath)) return false;
    auto& tree = platform::DeviceNodes();
    const auto g = tree.Geometry(diskPath);
    if (!g || g->bytesPerSector != kSectorSize || !g->sectorsPerTrack || !g->tracksPerCylinder) return false;
    const std::uint64_t end = cylinders * g->tracksPerCylinder * g->sectorsPerTrack;
    if (end <= kPartitionStart || end > 0xFFFFFFFFull) return false;
    auto mbr = BuildMbr(signature, static_cast<std::uint32_t>(end - kPartitionStart), *g);
    if (WriteSectorsSCSI(diskPath, mbr.data(), 0, kSectorSize) != 1) return false;
    return tree.RereadPartitions(diskPath);
}

}  // namespace

bool IsWindows2000() { return false; }

bool CreateSinglePartition(const char* diskPath, std::uint32_t diskSectors) {
    const auto g = diskPath ? platform::DeviceNodes().Geometry(diskPath) : std::nullopt;
    if (!g || !g->sectorsPerTrack || !g->tracksPerCylinder) return false;
    return WriteLayout(diskPath, 0, diskSectors / (std::uint64_t{g->tracksPerCylinder} * g->sectorsPerTrack));
}

bool WriteMbrAndPartition(const char* diskPath) {
    const auto g = diskPath ? platform::DeviceNodes().Geometry(diskPath) : std::nullopt;
    return g && WriteLayout(diskPath, kMbrDiskSignature, g->cylinders);
}

bool DiskIsFree(const char* diskPath) {
    const auto volumes = platform::DeviceNodes().Volumes(diskPath ? diskPath : "");
    if (!volumes) {
        DebugPrint("Disk %s cannot be queried; left alone\r\n", diskPath ? diskPath : "");
        return false;
    }
    for (const auto& v : *volumes) {
        if (v.mounted || v.systemUse) {
            DebugPrint("Disk %s is in use (%s); left alone\r\n", diskPath, v.node.c_str());
            return false;
        }
    }
    return true;
}

bool GetStorageDeviceNumber(const char* path, platform::StorageNumber* number) {
    const auto n = path && number ? platform::DeviceNodes().DeviceNumber(path) : std::nullopt;
    if (!n) return false;
    *number = *n;
    return true;
}

bool FindDriveLetterOfDisk(const char* diskPath, std::string* node) {
    const auto volumes = diskPath && node ? platform::DeviceNodes().Volumes(diskPath) : std::nullopt;
    if (!volumes) return false;
    for (const auto& v : *volumes) {
        if (v.partition == 0 || v.systemUse) continue;
        *node = v.node;
        return true;
    }
    return false;
}

std::unique_ptr<platform::VolumeHandle> OpenVolumeByLetter(const std::string& node) {
    return platform::DeviceNodes().OpenVolume(node, false);
}

int LockVolume(platform::VolumeHandle* volume) { return volume && volume->Lock() ? 1 : 0; }

int UnlockVolume(platform::VolumeHandle* volume) { return volume && volume->Unlock() ? 1 : 0; }

int CloseVolumeHandle(std::unique_ptr<platform::VolumeHandle>& volume) {
    if (!volume) return 0;
    volume.reset();
    return 1;
}

int BytesDiffer(const void* first, const void* second, int length) {
    if (length <= 0) return 0;
    return std::memcmp(first, second, static_cast<std::size_t>(length)) != 0 ? 1 : 0;
}

}  // namespace qx
