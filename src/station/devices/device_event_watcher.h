// The one entry of device events into the station: the platform's source
// (the udev monitor, or the simulated rack's control channel) is watched from
// the window thread's event loop, and each arrival or removal goes to the
// rescan as the window's device-change notification.
#pragma once

#include <QObject>
#include <memory>

#include "platform/device_events.h"

class QSocketNotifier;

namespace qx::station {

class PortRescan;

class DeviceEventWatcher {
public:
    // source may be empty (no events to watch): the station then rescans
    // only on Refresh.
    DeviceEventWatcher(std::unique_ptr<platform::DeviceEventSource> source, PortRescan& rescan);
    ~DeviceEventWatcher();
    DeviceEventWatcher(const DeviceEventWatcher&) = delete;
    DeviceEventWatcher& operator=(const DeviceEventWatcher&) = delete;

    bool Watching() const { return notifier_ != nullptr; }
    // Reads what waits and hands it on; the notifier calls it.
    void Drain();

private:
    std::unique_ptr<platform::DeviceEventSource> source_;
    PortRescan& rescan_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace qx::station
