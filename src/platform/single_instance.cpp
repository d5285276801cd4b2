#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qx::platform {

std::string SingleInstanceGuard::LockFilePath(const std::string& name) {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    return std::string((dir && *dir) ? dir : "/tmp") + "/" + name + ".lock";
}

SingleInstanceGuard::SingleInstanceGuard(const std::string& name) {
    fd_ = ::open(LockFilePath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    int rc;
    while ((rc = ::flock(fd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0) {
        state_ = State::Acquired;
        return;
    }
    state_ = errno == EWOULDBLOCK ? State::HeldElsewhere : State::Unavailable;
    ::close(fd_);
    fd_ = -1;
}

SingleInstanceGuard::~SingleInstanceGuard() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace qx::platform
