// A fake kernel under the Linux backend: SG_IO requests are recorded and a
// reply is played back, and flock follows udev's habit of holding a disk for
// a while after it changed. Time is the platform clock (virtual in tests).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "platform/clock.h"
#include "platform/linux/sg_io.h"

namespace qx::test {

struct SgRequest {
    std::vector<std::uint8_t> cdb;
    int direction = 0;
    unsigned dxferLen = 0;
    unsigned timeoutMs = 0;
    std::vector<std::uint8_t> dataOut;
    std::uint64_t atMs = 0;   // platform clock when it was sent
};

struct FakeKernel {
    std::vector<SgRequest> requests;
    int opens = 0, closes = 0;
    int openFlags = -1;
    int ioctlResult = 0;
    int ioctlErrno = 0;
    // The reply to every SG_IO.
    unsigned char status = 0;
    unsigned short hostStatus = 0;
    std::vector<std::uint8_t> sense;
    std::vector<std::uint8_t> dataIn;
    int resid = 0;
    // Another process (udev) holds the disk until this time on the clock.
    std::uint64_t foreignLockUntilMs = 0;
    int foreignLockMode = LOCK_EX;
    std::map<int, int> ourLocks;   // fd -> LOCK_SH / LOCK_EX
    int flockCalls = 0;

    const SgRequest& Last() const { return requests.back(); }

    int Ioctl(unsigned long req, void* arg) {
        EXPECT_EQ(req, static_cast<unsigned long>(SG_IO));
        auto* h = static_cast<sg_io_hdr_t*>(arg);
        SgRequest seen;
        seen.cdb.assign(h->cmdp, h->cmdp + h->cmd_len);
        seen.direction = h->dxfer_direction;
        seen.dxferLen = h->dxfer_len;
        seen.timeoutMs = h->timeout;
        seen.atMs = platform::TickMs();
        auto* data = static_cast<std::uint8_t*>(h->dxferp);
        if (h->dxfer_direction == SG_DXFER_TO_DEV) seen.dataOut.assign(data, data + h->dxfer_len);
        if (h->dxfer_direction == SG_DXFER_FROM_DEV && !dataIn.empty())
            std::memcpy(data, dataIn.data(), std::min<std::size_t>(dataIn.size(), h->dxfer_len));
        requests.push_back(std::move(seen));
        if (ioctlResult != 0) {
            errno = ioctlErrno;
            return ioctlResult;
        }
        h->status = status;
        h->host_status = hostStatus;
        h->resid = resid;
        const std::size_t n = std::min<std::size_t>(sense.size(), h->mx_sb_len);
        if (n) std::memcpy(h->sbp, sense.data(), n);
        h->sb_len_wr = static_cast<unsigned char>(n);
        return 0;
    }

    int Flock(int fd, int op) {
        ++flockCalls;
        const int want = op & (LOCK_SH | LOCK_EX);
        const bool foreign = platform::TickMs() < foreignLockUntilMs &&
                             (want == LOCK_EX || foreignLockMode == LOCK_EX);
        const bool ours = std::any_of(ourLocks.begin(), ourLocks.end(), [&](const auto& l) {
            return l.first != fd && (want == LOCK_EX || l.second == LOCK_EX);
        });
        if (foreign || ours) {
            errno = EWOULDBLOCK;
            return -1;
        }
        ourLocks[fd] = want;
        return 0;
    }

    platform::linux_sg::LinuxDeviceIo Make() {
        return platform::linux_sg::LinuxDeviceIo(
            [this](int, unsigned long req, void* arg) { return Ioctl(req, arg); },
            [this](const char*, int flags) { openFlags = flags; ++opens; return 1000 + opens; },
            [this](int fd) { ++closes; ourLocks.erase(fd); return 0; },
            [this](int fd, int op) { return Flock(fd, op); });
    }
};

}  // namespace qx::test
