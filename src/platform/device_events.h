// Arrivals and removals of USB devices, as the window's device-change
// notification delivers them. A source is read when its descriptor becomes
// readable (the station watches it from its event loop); each read drains
// what has arrived.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qx::platform {

enum class DeviceEventKind { Arrival, Removal };

struct DeviceEvent {
    DeviceEventKind kind = DeviceEventKind::Arrival;
    std::string device;   // what arrived or left, for the trace
};

class DeviceEventSource {
public:
    virtual ~DeviceEventSource() = default;
    // Readable when events wait; stays open for the source's life.
    virtual int Descriptor() const = 0;
    virtual std::vector<DeviceEvent> ReadEvents() = 0;
};

using DeviceEventFactory = std::function<std::unique_ptr<DeviceEventSource>()>;

// The backend's source: the udev monitor unless a factory was installed
// (the simulated rack installs its control channel). Empty when none could
// be opened.
std::unique_ptr<DeviceEventSource> OpenDeviceEvents();
void SetDeviceEventFactory(DeviceEventFactory factory);   // empty restores udev

}  // namespace qx::platform
