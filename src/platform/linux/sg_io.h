// The Linux backend of device I/O: SCSI requests through SG_IO, ATA task files
// as ATA PASS-THROUGH(16) (platform/sat_ata.h builds the block and reads the
// answer). The ioctl, open, close and flock calls are injectable so the
// request filling, the answers and the lock waits are tested without a drive.
#pragma once

#include <scsi/sg.h>

#include <functional>
#include <memory>

#include "platform/device_io.h"

namespace qx::platform::linux_sg {

using IoctlFn = std::function<int(int fd, unsigned long request, void* arg)>;
using OpenFn = std::function<int(const char* path, int flags)>;
using CloseFn = std::function<int(int fd)>;
using FlockFn = std::function<int(int fd, int operation)>;

// Fills an sg_io_hdr for one SCSI command; sense is the caller's buffer.
void FillSgIoHdr(sg_io_hdr_t& hdr, const ScsiCommand& cmd, std::span<std::uint8_t> sense);

// How often a lock held by another process is tried again while waiting.
inline constexpr std::uint64_t kLockPollMs = 10;

class HeldLocks;

class LinuxDeviceIo final : public DeviceIo {
public:
    LinuxDeviceIo();
    // An empty flockFn uses flock(2).
    LinuxDeviceIo(IoctlFn ioctlFn, OpenFn openFn, CloseFn closeFn, FlockFn flockFn = {});
    ~LinuxDeviceIo() override;
    OpenResult Open(std::string_view path, ShareMode mode) override;
    OpenResult OpenWaiting(std::string_view path, ShareMode mode, std::chrono::milliseconds wait) override;

private:
    IoctlFn ioctl_;
    OpenFn open_;
    CloseFn close_;
    FlockFn flock_;
    std::shared_ptr<HeldLocks> held_;
};

}  // namespace qx::platform::linux_sg
