#include "station/devices/device_event_watcher.h"

#include <QSocketNotifier>

#include "station/devices/port_rescan.h"

namespace qx::station {

DeviceEventWatcher::DeviceEventWatcher(std::unique_ptr<platform::DeviceEventSource> source, PortRescan& rescan)
    : source_(std::move(source)), rescan_(rescan) {
    if (!source_ || source_->Descriptor() < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(source_->Descriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
}

DeviceEventWatcher::~DeviceEventWatcher() = default;

void DeviceEventWatcher::Drain() {
    if (!source_) return;
    for (const platform::DeviceEvent& e : source_->ReadEvents()) rescan_.OnDeviceEvent(e);
}

}  // namespace qx::station
