// The lock of the port tables and panels ("QXMPAcess"): the rescan and the
// panel redraw take it, the redraw also from inside a refresh. Recursive for
// its owner thread; the named mutex under it keeps out the other processes
// (the utility) that scan the ports.
#pragma once

#include <mutex>

#include "platform/named_mutex.h"

namespace qx::station {

inline constexpr char kPortScanMutexName[] = "QXMPAcess";

class PortScanLock {
public:
    PortScanLock() : named_(kPortScanMutexName) {}
    void lock();
    void unlock();

private:
    std::recursive_mutex mutex_;
    int depth_ = 0;   // touched only by the thread that holds mutex_
    platform::NamedMutex named_;
};

// The one lock of the station process.
PortScanLock& PortScanMutex();

}  // namespace qx::station
