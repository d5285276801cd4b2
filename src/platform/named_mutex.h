// A mutex known by name to every thread and every process of the station and
// the utility: an in-process mutex plus flock on a lock file, so both threads
// and processes exclude each other. The owning thread may take it again
// (the rescan holds "QXMPAcess" while it redraws the panels, which take it
// too); each take needs its release.
#pragma once

#include <string>

namespace qx::platform {

class NamedMutex {
public:
    explicit NamedMutex(std::string name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    void lock();
    void unlock();
    const std::string& name() const { return name_; }

    // Folder of the lock files: $QX_LOCK_DIR, else /tmp/qx-locks.
    static std::string LockDir();
    static std::string LockFilePath(const std::string& name);

    struct NameEntry;

private:
    std::string name_;
    NameEntry* entry_;
    int fd_ = -1;
};

}  // namespace qx::platform
