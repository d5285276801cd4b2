// Runs the ATA commands of the library's utility build on a real SATA disk
// (as root) and prints one line per fact, so a script can check them: both
// routes (task files, and the SAT blocks as SCSI commands) with the disk's
// D_SENSE switch set each way, IDENTIFY, the capacity readers, SMART, DMA
// transfers on both sides of 2^28 checked by an independent O_DIRECT access,
// flush, standby, a table of commands the disk refuses with the registers it
// returned, and requests sent right after a write-close and a partition-table
// re-read, while udev holds the disk.
//
//   linux_ata_probe [--disk PATH]
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/pass_through.h"
#include "qxlib/transport/utility_commands.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "recording_io.h"
#include "sata_paths.h"

namespace {

constexpr int kDirectSlot = 0;
constexpr int kSatSlot = 1;
constexpr std::size_t kSector = 512;

std::string g_disk;
qx::probe::RecordingIo* g_io = nullptr;

const char* RouteName(int slot) { return slot == kDirectSlot ? "direct" : "sat"; }

std::string FirstSataDisk() {
    const auto paths = qx::probe::SataPaths();
    return paths.empty() ? std::string() : paths.front();
}

// A buffer the kernel accepts for O_DIRECT.
struct AlignedBuffer {
    explicit AlignedBuffer(std::size_t n) : size(n) {
        if (::posix_memalign(&p, 4096, n) != 0) p = nullptr;
    }
    ~AlignedBuffer() { std::free(p); }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    std::uint8_t* data() { return static_cast<std::uint8_t*>(p); }
    void* p = nullptr;
    std::size_t size;
};

bool DirectIo(bool write, std::uint64_t lba, AlignedBuffer& b) {
    const int fd = ::open(g_disk.c_str(), (write ? O_WRONLY : O_RDONLY) | O_DIRECT | O_CLOEXEC);
    if (fd < 0) return false;
    const auto off = static_cast<off_t>(lba * kSector);
    const ssize_t n = write ? ::pwrite(fd, b.p, b.size, off) : ::pread(fd, b.p, b.size, off);
    const bool ok = n == static_cast<ssize_t>(b.size) && (!write || ::fsync(fd) == 0);
    ::close(fd);
    return ok;
}

void Fill(std::uint8_t* p, std::size_t n, unsigned seed) {
    for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>((i * 31 + seed * 7 + (i >> 9)) & 0xFF);
}

// --- D_SENSE through the control mode page --------------------------------

// MODE SENSE(6) of the control page (block descriptors off); -1 on failure.
int ReadDSense(std::vector<std::uint8_t>& page) {
    const std::uint8_t cdb[6] = {0x1A, 0x08, 0x0A, 0x00, 0xFF, 0x00};
    std::vector<std::uint8_t> data(255);
    std::uint32_t moved = 0;
    if (qx::ReadSCSICommand(g_disk.c_str(), cdb, 6, data.data(), 255, &moved) != 1) return -1;
    const std::size_t at = 4 + data[3];
    if (at + 12 > data.size() || (data[at] & 0x3F) != 0x0A) return -1;
    page.assign(data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(at + 12));
    return (page[2] & 0x04) ? 1 : 0;
}

// MODE SELECT(6) of the same page with only D_SENSE changed.
int SetDSense(bool on) {
    std::vector<std::uint8_t> page;
    if (ReadDSense(page) < 0) return -1;
    std::vector<std::uint8_t> data(4, 0);
    page[0] &= 0x3F;
    page[2] = static_cast<std::uint8_t>((page[2] & ~0x04) | (on ? 0x04 : 0));
    data.insert(data.end(), page.begin(), page.end());
    const std::uint8_t cdb[6] = {0x15, 0x10, 0x00, 0x00, static_cast<std::uint8_t>(data.size()), 0x00};
    std::uint32_t moved = 0;
    if (qx::WriteSCSICommand(g_disk.c_str(), cdb, 6, data.data(), static_cast<int>(data.size()), &moved) != 1)
        return -1;
    return ReadDSense(page);
}

// --- the ATA round -----------------------------------------------------------

std::uint64_t Lba28(const std::uint8_t* tf) {
    return tf[2] | std::uint64_t{tf[3]} << 8 | std::uint64_t{tf[4]} << 16 | std::uint64_t{tf[5] & 0x0Fu} << 24;
}
std::uint64_t Lba48(const std::uint8_t* tf, const std::uint8_t* prev) {
    return tf[2] | std::uint64_t{tf[3]} << 8 | std::uint64_t{tf[4]} << 16 | std::uint64_t{prev[2]} << 24 |
           std::uint64_t{prev[3]} << 32 | std::uint64_t{prev[4]} << 40;
}

void Identify(int slot, int dsense) {
    std::vector<std::uint8_t> id(kSector);
    const int rc = qx::ATA_IdentifyDevice(slot, id.data(), 1);
    std::uint64_t lba48 = 0;
    for (int w = 103; w >= 100; --w) lba48 = lba48 << 16 | static_cast<std::uint64_t>(id[2 * w] | id[2 * w + 1] << 8);
    std::printf("ata dsense=%d route=%s identify rc=%d lba48=%llu\n", dsense, RouteName(slot), rc,
                static_cast<unsigned long long>(lba48));
    std::printf("ata dsense=%d route=%s capacity identify=%u sectors=%u mb=%u\n", dsense, RouteName(slot),
                qx::GetCapacityFromIdentify(slot), qx::GetCapacitySectors(slot), qx::GetCapacityMB(slot));
}

// READ NATIVE MAX (EXT): the value through the task files (direct route),
// the builder's result on both.
void NativeMax(int slot, int dsense) {
    g_io->Forget();
    const int rc28 = qx::ATA_ReadNativeMaxAddress(slot);
    const qx::probe::LastAta builder28 = g_io->Last();
    const int rc48 = qx::ATA_ReadNativeMaxAddressExt(slot);
    std::printf("ata dsense=%d route=%s native-builders rc28=%d rc48=%d\n", dsense, RouteName(slot), rc28, rc48);
    if (slot != kDirectSlot) return;
    // The builder's own block, taken apart into a task file by the direct
    // route: its device byte must reach the disk, which then answers with an
    // LBA rather than cylinder, head and sector.
    if (builder28.seen)
        std::printf("ata dsense=%d route=direct native28-builder device=%02x max=0x%llx\n", dsense,
                    builder28.sent.current[qx::platform::kTfDevice],
                    static_cast<unsigned long long>(Lba28(builder28.answer.current.data())));
    std::uint8_t tf[8] = {0, 0, 0, 0, 0, 0xE0, 0xF8, 0};
    int rc = qx::WriteATACommandWithTimeOutValue(g_disk.c_str(), tf, nullptr, 0, 10);
    std::printf("ata dsense=%d route=direct native28 rc=%d max=0x%llx\n", dsense, rc,
                static_cast<unsigned long long>(Lba28(tf)));
    std::uint8_t cur[8] = {0, 0, 0, 0, 0, 0xE0, 0x27, 0};
    std::uint8_t prev[8] = {};
    rc = qx::WriteATACommandWithTimeOutValueExt(g_disk.c_str(), cur, prev, nullptr, 0, 10);
    std::printf("ata dsense=%d route=direct native48 rc=%d max=0x%llx\n", dsense, rc,
                static_cast<unsigned long long>(Lba48(cur, prev)));
}

void Smart(int slot, int dsense) {
    std::vector<std::uint8_t> page(kSector);
    const int enable = qx::ATA_SmartEnableOperations(slot);
    const int data = qx::ATA_SmartReadData(slot, page.data(), 1);
    unsigned sum = 0;
    for (auto b : page) sum += b;
    std::vector<std::uint8_t> thresholds(kSector);
    const int thr = qx::ATA_SmartReadThresholds(slot, thresholds.data(), 1);
    std::printf("ata dsense=%d route=%s smart enable=%d data=%d checksum=%s thresholds=%d\n", dsense,
                RouteName(slot), enable, data, (sum & 0xFF) == 0 && page[0] != 0 ? "ok" : "bad", thr);
    if (slot != kDirectSlot) return;
    std::uint8_t tf[8] = {0xDA, 0, 0, 0x4F, 0xC2, 0xE0, 0xB0, 0};
    const int rc = qx::WriteATACommandWithTimeOutValue(g_disk.c_str(), tf, nullptr, 0, 10);
    std::printf("ata dsense=%d route=direct smart-status rc=%d mid=%02x high=%02x\n", dsense, rc, tf[3], tf[4]);
}

// A DMA write checked by an O_DIRECT read, an O_DIRECT write checked by a
// DMA read, at one place.
void DmaPlace(int slot, int dsense, std::uint32_t lba, unsigned seed) {
    constexpr int kCount = 8;
    AlignedBuffer ours(kCount * kSector), theirs(kCount * kSector);
    Fill(ours.data(), ours.size, seed);
    const int write = qx::SCSI_Write10(slot, ours.data(), kCount, lba);
    Fill(ours.data(), ours.size, seed);
    const bool readBack = DirectIo(false, lba, theirs) && std::memcmp(ours.p, theirs.p, ours.size) == 0;
    Fill(theirs.data(), theirs.size, seed + 1);
    const bool written = DirectIo(true, lba, theirs);
    std::memset(ours.p, 0, ours.size);
    const int read = qx::SCSI_Read10(slot, ours.data(), kCount, lba);
    const bool readOk = written && std::memcmp(ours.p, theirs.p, ours.size) == 0;
    std::printf("ata dsense=%d route=%s dma lba=0x%x write=%d check=%s read=%d check=%s\n", dsense, RouteName(slot),
                lba, write, readBack ? "ok" : "bad", read, readOk ? "ok" : "bad");
}

struct Rejected {
    const char* name;
    bool ext;
    bool read;
    int length;
    std::uint8_t tf[8];
    std::uint8_t prev[8];
};

// Commands the disk refuses: each must fail, with the error and status the
// disk returned. endLba is the first sector past the end.
std::vector<Rejected> RejectedTable(std::uint64_t endLba) {
    const auto b = [endLba](int s) { return static_cast<std::uint8_t>(endLba >> s); };
    return {
        {"nop", false, false, 0, {0, 0, 0, 0, 0, 0xE0, 0x00, 0}, {}},
        {"opcode-f0", false, false, 0, {0, 0, 0, 0, 0, 0xE0, 0xF0, 0}, {}},
        {"set-features-ee", false, false, 0, {0xEE, 0, 0, 0, 0, 0xE0, 0xEF, 0}, {}},
        {"read-dma-ext-past-end", true, true, 512, {0, 1, b(0), b(8), b(16), 0xE0, 0x25, 0}, {0, 0, b(24), b(32), b(40), 0, 0, 0}},
        {"write-dma-ext-past-end", true, false, 512, {0, 1, b(0), b(8), b(16), 0xE0, 0x35, 0}, {0, 0, b(24), b(32), b(40), 0, 0, 0}},
        {"read-log-ext", true, true, 512, {0, 1, 0x80, 0, 0, 0xE0, 0x2F, 0}, {}},
        {"set-max", false, false, 0, {0, 1, 0xFF, 0xFF, 0xFF, 0xEF, 0xF9, 0}, {}},
    };
}

// The same command as a SAT block for the SCSI route.
std::vector<std::uint8_t> SatBlock(const Rejected& r) {
    const bool data = r.length > 0;
    const std::uint8_t prot = data ? static_cast<std::uint8_t>(r.read ? 0x08 : 0x0A) : 0x06;
    const std::uint8_t dir = data ? static_cast<std::uint8_t>(r.read ? 0x0E : 0x06) : 0x00;
    const bool dma = r.tf[6] == 0x25 || r.tf[6] == 0x35;
    const std::uint8_t p1 = dma ? static_cast<std::uint8_t>(r.read ? 0x14 : 0x16) : prot;
    if (!r.ext)
        return {0xA1, p1, dir, r.tf[0], r.tf[1], r.tf[2], r.tf[3], r.tf[4], r.tf[5], r.tf[6], 0, 0};
    return {0x85, static_cast<std::uint8_t>(p1 | 1), dir, 0, r.tf[0], r.prev[1], r.tf[1], r.prev[2], r.tf[2],
            r.prev[3], r.tf[3], r.prev[4], r.tf[4], r.tf[5], r.tf[6], 0};
}

void RejectedCommands(int slot, int dsense, std::uint64_t endLba) {
    for (Rejected r : RejectedTable(endLba)) {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(std::max(r.length, 0)));
        if (slot == kDirectSlot) {
            int rc;
            if (r.ext) rc = r.read ? qx::ReadATACommandWithTimeOutValueExt(g_disk.c_str(), r.tf, r.prev, data.data(), r.length, 10)
                                   : qx::WriteATACommandWithTimeOutValueExt(g_disk.c_str(), r.tf, r.prev, data.data(), r.length, 10);
            else rc = r.read ? qx::ReadATACommandWithTimeOutValue(g_disk.c_str(), r.tf, data.data(), r.length, 10)
                             : qx::WriteATACommandWithTimeOutValue(g_disk.c_str(), r.tf, data.data(), r.length, 10);
            std::printf("ata dsense=%d route=direct reject cmd=%s rc=%d error=%02x status=%02x\n", dsense, r.name, rc,
                        r.tf[0], r.tf[6]);
        } else {
            const auto block = SatBlock(r);
            const int rc = qx::ExecSlotAtaPassThrough(slot, r.read, block.data(), static_cast<int>(block.size()),
                                                      data.data(), r.length, r.ext);
            std::printf("ata dsense=%d route=sat reject cmd=%s rc=%d\n", dsense, r.name, rc);
        }
    }
    // The read/write test's own transfer past the end fails with its record.
    std::vector<std::uint8_t> buffer(kSector, 0x5A);
    const auto lba = static_cast<std::uint32_t>(endLba);
    const int rc = qx::SCSI_Write10(slot, buffer.data(), 1, lba);
    std::uint32_t kind = 0, at = 0;
    std::memcpy(&kind, buffer.data(), 4);
    std::memcpy(&at, buffer.data() + 4, 4);
    std::printf("ata dsense=%d route=%s write-past-end rc=%d record=%u,0x%x\n", dsense, RouteName(slot), rc, kind, at);
}

void AtaRound(int slot, int dsense) {
    Identify(slot, dsense);
    NativeMax(slot, dsense);
    Smart(slot, dsense);
    const std::uint64_t end = qx::GetCapacitySectors(slot);
    DmaPlace(slot, dsense, 0x00001000, static_cast<unsigned>(slot * 4 + dsense * 2));
    if (end > 0x10000108) DmaPlace(slot, dsense, 0x10000100, static_cast<unsigned>(slot * 4 + dsense * 2 + 1));
    std::printf("ata dsense=%d route=%s flush rc=%d\n", dsense, RouteName(slot), qx::ATA_FlushCache(slot));
    std::printf("ata dsense=%d route=%s standby rc=%d\n", dsense, RouteName(slot), qx::ATA_Standby(slot));
    RejectedCommands(slot, dsense, end);
}

// --- udev's lock --------------------------------------------------------------

// Whether another process holds a flock on the disk node right now, as
// /proc/locks lists it (major:minor:inode of the file locked).
bool LockedByOthers() {
    struct stat st{};
    if (::stat(g_disk.c_str(), &st) != 0) return false;
    char id[64];
    std::snprintf(id, sizeof id, " %02x:%02x:%llu ", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    std::FILE* f = std::fopen("/proc/locks", "r");
    if (!f) return false;
    char line[256];
    bool held = false;
    while (std::fgets(line, sizeof line, f))
        if (std::strstr(line, "FLOCK") && std::strstr(line, id)) held = true;
    std::fclose(f);
    return held;
}

void AfterChange(const char* what) {
    std::vector<std::uint8_t> id(kSector);
    const bool held = LockedByOthers();
    const std::uint64_t start = qx::platform::TickMs();
    const int identify = qx::ATA_IdentifyDevice(kDirectSlot, id.data(), 1);
    const int read = qx::ReadSectorsSCSI(g_disk.c_str(), id.data(), 0, kSector);
    std::printf("lock after=%s identify=%d read=%d ms=%llu udev_lock_seen=%d\n", what, identify, read,
                static_cast<unsigned long long>(qx::platform::TickMs() - start), held ? 1 : 0);
}

void LockRound() {
    for (int i = 0; i < 5; ++i) {
        int fd = ::open(g_disk.c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) ::close(fd);   // udev sees the write-close and probes the disk
        AfterChange("write-close");
        fd = ::open(g_disk.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::ioctl(fd, BLKRRPART);
            ::close(fd);
        }
        AfterChange("reread");
    }
}

void UseSlot(int slot, bool direct) {
    auto& s = qx::DeviceSlots[static_cast<std::size_t>(slot)];
    s.InterfacePath = g_disk.c_str();
    s.UsbPath = 0;
    s.DirectAta = direct ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::string(argv[i]) == "--disk") g_disk = argv[i + 1];
    if (g_disk.empty()) g_disk = FirstSataDisk();
    std::printf("disk path=%s\n", g_disk.empty() ? "-" : g_disk.c_str());
    if (g_disk.empty()) return 1;
    qx::platform::SetTraceSink([](std::string_view t) { std::printf("trace: %.*s", static_cast<int>(t.size()), t.data()); });
    qx::probe::RecordingIo recording(qx::platform::Devices());
    g_io = &recording;
    qx::platform::SetDevices(&recording);
    UseSlot(kDirectSlot, true);
    UseSlot(kSatSlot, false);

    LockRound();
    for (const int dsense : {0, 1}) {
        std::printf("dsense set=%d now=%d\n", dsense, SetDSense(dsense != 0));
        for (const int slot : {kDirectSlot, kSatSlot}) AtaRound(slot, dsense);
    }
    std::printf("dsense set=0 now=%d\n", SetDSense(false));
    std::fflush(stdout);
    qx::platform::SetDevices(nullptr);
    return 0;
}
