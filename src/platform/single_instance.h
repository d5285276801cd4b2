// A program's single-instance guard: an exclusive flock, taken without
// waiting, on "<name>.lock" in $XDG_RUNTIME_DIR (else /tmp). The kernel drops
// the lock when the holding process ends in any way, even killed, so a
// crashed instance never blocks the next one. The file is opened close-on-
// exec: a program the station starts does not inherit the lock.
#pragma once

#include <string>

namespace qx::platform {

class SingleInstanceGuard {
public:
    enum class State {
        Acquired,        // this process is the one instance
        HeldElsewhere,   // another process holds the name
        Unavailable,     // the lock file cannot be opened; nothing is guarded
    };

    explicit SingleInstanceGuard(const std::string& name);
    ~SingleInstanceGuard();   // releases the name
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    State state() const { return state_; }
    bool HeldByAnother() const { return state_ == State::HeldElsewhere; }

    static std::string LockFilePath(const std::string& name);

private:
    int fd_ = -1;
    State state_ = State::Unavailable;
};

}  // namespace qx::platform
