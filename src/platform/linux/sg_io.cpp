#include "platform/linux/sg_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/linux/disk_names.h"
#include "platform/sat_ata.h"

namespace qx::platform::linux_sg {

// The drive locks this process holds through its open requests, by locked
// file (device and inode, as flock counts them). A lock one of our own
// requests holds is never waited for: it is not released for the wait, so
// the request is refused at once, as two requests to one drive at one time
// always were.
class HeldLocks {
public:
    void Add(const std::string& key, ShareMode mode) {
        std::lock_guard g(lock_);
        ++Count(key, mode);
    }
    void Remove(const std::string& key, ShareMode mode) {
        std::lock_guard g(lock_);
        if (--Count(key, mode) == 0 && held_[key].exclusive == 0 && held_[key].shared == 0) held_.erase(key);
    }
    bool Conflicts(const std::string& key, ShareMode want) {
        std::lock_guard g(lock_);
        const auto it = held_.find(key);
        if (it == held_.end()) return false;
        return it->second.exclusive > 0 || (want == ShareMode::Exclusive && it->second.shared > 0);
    }

private:
    struct Counts {
        int exclusive = 0;
        int shared = 0;
    };
    int& Count(const std::string& key, ShareMode mode) {
        Counts& c = held_[key];
        return mode == ShareMode::Exclusive ? c.exclusive : c.shared;
    }
    std::mutex lock_;
    std::map<std::string, Counts> held_;
};

namespace {

// The file flock locks: device and inode, or the path where fstat cannot tell.
std::string LockKey(int fd, const std::string& path) {
    struct stat st{};
    if (::fstat(fd, &st) != 0) return path;
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

class LinuxHandle final : public DeviceHandle {
public:
    struct Lock {
        std::shared_ptr<HeldLocks> held;   // empty when the file took no lock
        std::string key;
        ShareMode mode = ShareMode::Shared;
    };

    LinuxHandle(int fd, const IoctlFn& io, const CloseFn& cl, Lock lock)
        : fd_(fd), ioctl_(io), close_(cl), lock_(std::move(lock)) {}
    ~LinuxHandle() override {
        if (lock_.held) lock_.held->Remove(lock_.key, lock_.mode);
        close_(fd_);
    }

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
        const auto cdb = BuildAtaPassThrough16(cmd);
        return AtaResultFromScsi(cmd, Scsi(ScsiCommand{cdb, cmd.dir, cmd.data, cmd.timeout}));
    }

private:
    static constexpr unsigned kDriverSense = 0x08;
    int fd_;
    const IoctlFn& ioctl_;
    const CloseFn& close_;
    Lock lock_;
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

LinuxDeviceIo::LinuxDeviceIo()
    : LinuxDeviceIo([](int fd, unsigned long req, void* arg) { return ::ioctl(fd, req, arg); },
                    [](const char* path, int flags) { return ::open(path, flags); },
                    [](int fd) { return ::close(fd); }) {}

LinuxDeviceIo::LinuxDeviceIo(IoctlFn ioctlFn, OpenFn openFn, CloseFn closeFn, FlockFn flockFn)
    : ioctl_(std::move(ioctlFn)),
      open_(std::move(openFn)),
      close_(std::move(closeFn)),
      flock_(flockFn ? std::move(flockFn) : FlockFn([](int fd, int op) { return ::flock(fd, op); })),
      held_(std::make_shared<HeldLocks>()) {}

LinuxDeviceIo::~LinuxDeviceIo() = default;

OpenResult LinuxDeviceIo::Open(std::string_view path, ShareMode mode) {
    return OpenWaiting(path, mode, std::chrono::milliseconds(0));
}

OpenResult LinuxDeviceIo::OpenWaiting(std::string_view path, ShareMode mode, std::chrono::milliseconds wait) {
    OpenResult r;
    // A Windows-shaped disk name opens the node it stands for.
    const std::string p = linux_disks::ResolveDiskPath(path);
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
    // exclusive holder. udev holds such a lock for a moment while it probes a
    // disk that changed: that one is waited for, within the request's own
    // time-out, on the platform clock, so a cancelled worker stops waiting.
    const int how = (mode == ShareMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    const std::string key = LockKey(fd, p);
    const std::uint64_t start = TickMs();
    const auto limit = static_cast<std::uint64_t>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0));
    LinuxHandle::Lock lock;
    for (;;) {
        if (flock_(fd, how) == 0) {
            lock = {held_, key, mode};
            held_->Add(key, mode);
            break;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) break;   // no locks on this file: go on without one
        const std::uint64_t waited = TickMs() - start;
        int refused = 0;
        if (held_->Conflicts(key, mode) || waited >= limit) refused = EBUSY;
        else if (!SleepMs(std::min(kLockPollMs, limit - waited))) refused = ECANCELED;
        if (refused) {
            r.error = refused;
            close_(fd);
            return r;
        }
    }
    r.handle = std::make_unique<LinuxHandle>(fd, ioctl_, close_, std::move(lock));
    return r;
}

}  // namespace qx::platform::linux_sg
