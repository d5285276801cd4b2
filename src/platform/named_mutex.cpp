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
namespace {
// flock excludes per open file description, so two threads sharing one
// NamedMutex object would not exclude each other through it: an in-process
// mutex per name orders the threads, flock orders the processes.
std::mutex& ProcessMutex(const std::string& name) {
    static std::mutex registryLock;
    static std::map<std::string, std::unique_ptr<std::mutex>> registry;
    std::lock_guard<std::mutex> g(registryLock);
    auto& slot = registry[name];
    if (!slot) slot = std::make_unique<std::mutex>();
    return *slot;
}
}  // namespace

std::string NamedMutex::LockDir() {
    const char* dir = std::getenv("QX_LOCK_DIR");
    return (dir && *dir) ? std::string(dir) : std::string("/tmp/qx-locks");
}

std::string NamedMutex::LockFilePath(const std::string& name) { return LockDir() + "/" + name + ".lock"; }

NamedMutex::NamedMutex(std::string name) : name_(std::move(name)) {
    ::mkdir(LockDir().c_str(), 01777);
    fd_ = ::open(LockFilePath(name_).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

NamedMutex::~NamedMutex() {
    if (fd_ >= 0) ::close(fd_);
}

void NamedMutex::lock() {
    ProcessMutex(name_).lock();
    if (fd_ >= 0) {
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
}

void NamedMutex::unlock() {
    if (fd_ >= 0) ::flock(fd_, LOCK_UN);
    ProcessMutex(name_).unlock();
}

}  // namespace qx::platform
