#include "station/devices/port_scan_lock.h"

namespace qx::station {

void PortScanLock::lock() {
    mutex_.lock();
    if (depth_++ == 0) named_.lock();
}

void PortScanLock::unlock() {
    if (--depth_ == 0) named_.unlock();
    mutex_.unlock();
}

PortScanLock& PortScanMutex() {
    static PortScanLock lock;
    return lock;
}

}  // namespace qx::station
