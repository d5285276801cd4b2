#include "platform/linux/udev_monitor.h"

#include <libudev.h>

#include <cstring>
#include <string>

#include "platform/trace_sink.h"

namespace qx::platform::linux_udev {
namespace {

class UdevMonitor final : public DeviceEventSource {
public:
    UdevMonitor(udev* u, udev_monitor* m) : udev_(u), monitor_(m) {}
    ~UdevMonitor() override {
        udev_monitor_unref(monitor_);
        udev_unref(udev_);
    }
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    int Descriptor() const override { return udev_monitor_get_fd(monitor_); }

    // The monitor's socket is non-blocking: receive until it is empty.
    std::vector<DeviceEvent> ReadEvents() override {
        std::vector<DeviceEvent> out;
        while (udev_device* d = udev_monitor_receive_device(monitor_)) {
            const char* action = udev_device_get_action(d);
            const char* path = udev_device_get_syspath(d);
            const bool add = action && std::strcmp(action, "add") == 0;
            if (add || (action && std::strcmp(action, "remove") == 0)) {
                out.push_back({add ? DeviceEventKind::Arrival : DeviceEventKind::Removal, path ? path : ""});
                // Which drive came or went, on the debug output: the program
                // shows only that something changed, and ignores it during a run.
                DebugOutput(std::string("udev ") + action + " " + out.back().device + "\n");
            }
            udev_device_unref(d);
        }
        return out;
    }

private:
    udev* udev_;
    udev_monitor* monitor_;
};

}  // namespace

std::unique_ptr<DeviceEventSource> OpenUdevMonitor() {
    udev* u = udev_new();
    if (!u) return nullptr;
    udev_monitor* m = udev_monitor_new_from_netlink(u, "udev");
    if (!m || udev_monitor_filter_add_match_subsystem_devtype(m, "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(m) < 0) {
        DebugOutput("udev monitor could not be set up\n");
        if (m) udev_monitor_unref(m);
        udev_unref(u);
        return nullptr;
    }
    return std::make_unique<UdevMonitor>(u, m);
}

}  // namespace qx::platform::linux_udev
