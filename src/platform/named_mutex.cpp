#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace qx::platform {

// One entry per name in the process. flock excludes per open file
// description, so two threads sharing one NamedMutex object would not exclude
// each other through it: the in-process mutex orders the threads, flock the
// processes. Like the system mutexes it stands in for, the owner may take it
// again: only the outermost take and release touch the file lock.
struct NamedMutex::NameEntry {
    std::recursive_mutex inProcess;
    int depth = 0;        // guarded by inProcess
    int lockedFd = -1;    // the descriptor that holds the file lock
};

namespace {
NamedMutex::NameEntry& EntryOf(const std::string& name) {
    static std::mutex registryLock;
    static std::map<std::string, std::unique_ptr<NamedMutex::NameEntry>> registry;
    std::lock_guard<std::mutex> g(registryLock);
    auto& slot = registry[name];
    if (!slot) slot = std::make_unique<NamedMutex::NameEntry>();
    return *slot;
}
}  // namespace

std::string NamedMutex::LockDir() {
    const char* dir = std::getenv("QX_LOCK_DIR");
    return (dir && *dir) ? std::string(dir) : std::string("/tmp/qx-locks");
}

std::string NamedMutex::LockFilePath(const std::string& name) { return LockDir() + "/" + name + ".lock"; }

NamedMutex::NamedMutex(std::string name) : name_(std::move(name)), entry_(&EntryOf(name_)) {
    ::mkdir(LockDir().c_str(), 01777);
    fd_ = ::open(LockFilePath(name_).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

NamedMutex::~NamedMutex() {
    if (fd_ >= 0) ::close(fd_);
}

void NamedMutex::lock() {
    entry_->inProcess.lock();
    if (entry_->depth++ == 0 && fd_ >= 0) {
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
        entry_->lockedFd = fd_;
    }
}

void NamedMutex::unlock() {
    if (--entry_->depth == 0 && entry_->lockedFd >= 0) {
        ::flock(entry_->lockedFd, LOCK_UN);
        entry_->lockedFd = -1;
    }
    entry_->inProcess.unlock();
}

}  // namespace qx::platform
