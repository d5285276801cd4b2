// The Linux backend of device I/O: SCSI requests through SG_IO, ATA task files
// as ATA PASS-THROUGH(16) with CK_COND so the drive's registers come back in
// the descriptor sense. The ioctl and open calls are injectable so the request
// filling and the sense decoding are tested without a drive.
#pragma once

#include <scsi/sg.h>

#include <functional>

#include "platform/device_io.h"

namespace qx::platform::linux_sg {

using IoctlFn = std::function<int(int fd, unsigned long request, void* arg)>;
using OpenFn = std::function<int(const char* path, int flags)>;
using CloseFn = std::function<int(int fd)>;

// Fills an sg_io_hdr for one SCSI command; sense is the caller's buffer.
void FillSgIoHdr(sg_io_hdr_t& hdr, const ScsiCommand& cmd, std::span<std::uint8_t> sense);

// The ATA PASS-THROUGH(16) block for a task file, with CK_COND set.
std::array<std::uint8_t, 16> BuildAtaPassThrough16(const AtaCommand& cmd);

// Reads the returned registers from descriptor (0x72) or fixed (0x70) sense.
// False when the sense holds no ATA return.
bool DecodeAtaSense(std::span<const std::uint8_t> sense, TaskFile& current, TaskFile& previous);

class LinuxDeviceIo final : public DeviceIo {
public:
    LinuxDeviceIo();
    LinuxDeviceIo(IoctlFn ioctlFn, OpenFn openFn, CloseFn closeFn);
    OpenResult Open(std::string_view path, ShareMode mode) override;

private:
    IoctlFn ioctl_;
    OpenFn open_;
    CloseFn close_;
};

}  // namespace qx::platform::linux_sg
