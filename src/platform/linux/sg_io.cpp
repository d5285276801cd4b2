#include "platform/linux/sg_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace qx::platform::linux_sg {
namespace {

constexpr std::uint8_t kAtaPassThrough16 = 0x85;
// SAT protocol field values.
constexpr std::uint8_t kProtNonData = 3, kProtPioIn = 4, kProtPioOut = 5, kProtDma = 6;
// Byte 2: CK_COND, T_DIR (from device), BYT_BLOK, T_LENGTH = count field.
constexpr std::uint8_t kCkCond = 0x20, kTDirIn = 0x08, kBytBlok = 0x04, kTLenCount = 0x02;
constexpr std::uint8_t kSenseAtaReturn = 0x09;
constexpr unsigned kDriverSense = 0x08;
constexpr std::uint8_t kNotReady = 0x02, kIllegalRequest = 0x05, kUnitAttention = 0x06;

class LinuxHandle final : public DeviceHandle {
public:
    LinuxHandle(int fd, const IoctlFn& io, const CloseFn& cl) : fd_(fd), ioctl_(io), close_(cl) {}
    ~LinuxHandle() override { close_(fd_); }

    ScsiResult Scsi(const ScsiCommand& cmd) override {
        ScsiResult r;
        std::array<std::uint8_t, 32> sense{};
        sg_io_hdr_t hdr;
        FillSgIoHdr(hdr, cmd, sense);
        if (ioctl_(fd_, SG_IO, &hdr) != 0) {
            r.error = errno ? errno : EIO;
            return r;
        }
        r.status = hdr.status;
        r.transferred = hdr.dxfer_len - static_cast<unsigned>(hdr.resid > 0 ? hdr.resid : 0);
        r.senseLength = hdr.sb_len_wr;
        r.sense = sense;
        if (hdr.host_status != 0 || (hdr.driver_status & ~kDriverSense) != 0) {
            r.error = EIO;
            return r;
        }
        r.ok = true;
        return r;
    }

    AtaResult Ata(const AtaCommand& cmd) override {
        AtaResult r;
        const auto cdb = BuildAtaPassThrough16(cmd);
        ScsiCommand sc{cdb, cmd.dir, cmd.data, cmd.timeout};
        const ScsiResult sr = Scsi(sc);
        r.ok = sr.ok;
        r.error = sr.error;
        if (!sr.ok) return r;
        if (!DecodeAtaSense(std::span(sr.sense.data(), sr.senseLength), r.current, r.previous)) {
            // No registers came back: a good status means the command ended
            // without error (DRDY set), anything else is a device error.
            r.current = {};
            r.current[kTfStatus] = sr.status == 0 ? 0x50 : 0x51;
        }
        return r;
    }

private:
    int fd_;
    const IoctlFn& ioctl_;
    const CloseFn& close_;
};

}  // namespace

void FillSgIoHdr(sg_io_hdr_t& hdr, const ScsiCommand& cmd, std::span<std::uint8_t> sense) {
    std::memset(&hdr, 0, sizeof hdr);
    hdr.interface_id = 'S';
    hdr.cmd_len = static_cast<unsigned char>(cmd.cdb.size());
    hdr.cmdp = const_cast<unsigned char*>(cmd.cdb.data());
    hdr.mx_sb_len = static_cast<unsigned char>(sense.size());
    hdr.sbp = sense.data();
    hdr.timeout = static_cast<unsigned>(cmd.timeout.count() * 1000);
    switch (cmd.dir) {
        case Direction::In: hdr.dxfer_direction = SG_DXFER_FROM_DEV; break;
        case Direction::Out: hdr.dxfer_direction = SG_DXFER_TO_DEV; break;
        case Direction::None: hdr.dxfer_direction = SG_DXFER_NONE; break;
    }
    if (cmd.dir != Direction::None) {
        hdr.dxfer_len = static_cast<unsigned>(cmd.data.size());
        hdr.dxferp = cmd.data.data();
    }
}

std::array<std::uint8_t, 16> BuildAtaPassThrough16(const AtaCommand& cmd) {
    const TaskFile& c = cmd.current;
    const TaskFile& p = cmd.previous;
    std::uint8_t protocol = kProtNonData;
    if (cmd.dir != Direction::None) protocol = cmd.dma ? kProtDma : (cmd.dir == Direction::In ? kProtPioIn : kProtPioOut);

    std::array<std::uint8_t, 16> b{};
    b[ 0] = kAtaPassThrough16;
    b[ 1] = static_cast<std::uint8_t>(protocol << 1 | (cmd.ext48 ? 1 : 0));
    b[ 2] = kCkCond;
    if (cmd.dir != Direction::None)
        b[2] |= static_cast<std::uint8_t>(kBytBlok | kTLenCount | (cmd.dir == Direction::In ? kTDirIn : 0));
    b[ 3] = cmd.ext48 ? p[kTfFeatures] : 0;
    b[ 4] = c[kTfFeatures];
    b[ 5] = cmd.ext48 ? p[kTfCount] : 0;
    b[ 6] = c[kTfCount];
    b[ 7] = cmd.ext48 ? p[kTfLbaLow] : 0;
    b[ 8] = c[kTfLbaLow];
    b[ 9] = cmd.ext48 ? p[kTfLbaMid] : 0;
    b[10] = c[kTfLbaMid];
    b[11] = cmd.ext48 ? p[kTfLbaHigh] : 0;
    b[12] = c[kTfLbaHigh];
    b[13] = c[kTfDevice];
    b[14] = c[kTfCommand];
    b[15] = 0;
    return b;
}

bool DecodeAtaSense(std::span<const std::uint8_t> s, TaskFile& current, TaskFile& previous) {
    current = {};
    previous = {};
    if (s.size() < 8) return false;
    const std::uint8_t code = s[0] & 0x7F;
    if (code == 0x72 || code == 0x73) {
        // Descriptor format: walk the descriptors for the ATA status return.
        std::size_t end = std::min<std::size_t>(s.size(), 8u + s[7]);
        for (std::size_t i = 8; i + 1 < end; i += 2u + s[i + 1]) {
            if (s[i] != kSenseAtaReturn || i + 14 > end) continue;
            const auto d = s.subspan(i, 14);
            current[kTfError] = d[3];
            current[kTfCount] = d[5];
            current[kTfLbaLow] = d[7];
            current[kTfLbaMid] = d[9];
            current[kTfLbaHigh] = d[11];
            current[kTfDevice] = d[12];
            current[kTfStatus] = d[13];
            if (d[2] & 1) {
                previous[kTfCount] = d[4];
                previous[kTfLbaLow] = d[6];
                previous[kTfLbaMid] = d[8];
                previous[kTfLbaHigh] = d[10];
            }
            return true;
        }
        return false;
    }
    // A fixed sense whose key says the command was refused before it ran
    // (a SCSI-only disk answers ILLEGAL REQUEST to the pass-through block)
    // carries no registers in its information field.
    const std::uint8_t key = s.size() > 2 ? s[2] & 0x0F : 0;
    if (key == kNotReady || key == kIllegalRequest || key == kUnitAttention) return false;
    if ((code == 0x70 || code == 0x71) && s.size() >= 12) {
        // Fixed format: information field = error, status, device, count;
        // command-specific field carries the LBA bytes.
        current[kTfError] = s[3];
        current[kTfStatus] = s[4];
        current[kTfDevice] = s[5];
        current[kTfCount] = s[6];
        current[kTfLbaLow] = s[9];
        current[kTfLbaMid] = s[10];
        current[kTfLbaHigh] = s[11];
        return true;
    }
    return false;
}

LinuxDeviceIo::LinuxDeviceIo()
    : LinuxDeviceIo([](int fd, unsigned long req, void* arg) { return ::ioctl(fd, req, arg); },
                    [](const char* path, int flags) { return ::open(path, flags); },
                    [](int fd) { return ::close(fd); }) {}

LinuxDeviceIo::LinuxDeviceIo(IoctlFn ioctlFn, OpenFn openFn, CloseFn closeFn)
    : ioctl_(std::move(ioctlFn)), open_(std::move(openFn)), close_(std::move(closeFn)) {}

OpenResult LinuxDeviceIo::Open(std::string_view path, ShareMode mode) {
    OpenResult r;
    const std::string p(path);
    // Read-only even for writes: SG_IO lets a process with CAP_SYS_RAWIO send
    // any command on it, and closing a disk opened for writing makes udev
    // re-probe it, flock it and re-read its partition table, which refuses
    // the next exclusive request and races the partition writer.
    const int fd = open_(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        r.error = errno ? errno : ENOENT;
        return r;
    }
    // Exclusive opens refuse a drive that another request holds, so two ATA
    // task files never interleave on one drive; shared opens only refuse an
    // exclusive holder.
    const int how = (mode == ShareMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (::flock(fd, how) != 0 && errno == EWOULDBLOCK) {
        r.error = EBUSY;
        close_(fd);
        return r;
    }
    r.handle = std::make_unique<LinuxHandle>(fd, ioctl_, close_);
    return r;
}

}  // namespace qx::platform::linux_sg
