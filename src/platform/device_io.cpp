#include "platform/device_io.h"

#include <atomic>

#include "platform/linux/sg_io.h"

namespace qx::platform {
namespace {
linux_sg::LinuxDeviceIo& LinuxBackend() {
    static linux_sg::LinuxDeviceIo io;
    return io;
}
std::atomic<DeviceIo*> g_devices{nullptr};
}  // namespace

DeviceIo& Devices() {
    DeviceIo* d = g_devices.load();
    return d ? *d : LinuxBackend();
}

void SetDevices(DeviceIo* io) { g_devices.store(io); }

}  // namespace qx::platform
