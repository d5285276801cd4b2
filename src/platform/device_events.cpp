#include "platform/device_events.h"

#include <mutex>

#include "platform/linux/udev_monitor.h"

namespace qx::platform {
namespace {
std::mutex g_lock;
DeviceEventFactory g_factory;
}  // namespace

std::unique_ptr<DeviceEventSource> OpenDeviceEvents() {
    DeviceEventFactory factory;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        factory = g_factory;
    }
    return factory ? factory() : linux_udev::OpenUdevMonitor();
}

void SetDeviceEventFactory(DeviceEventFactory factory) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_factory = std::move(factory);
}

}  // namespace qx::platform
