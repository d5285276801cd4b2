// The Linux backend of the USB tree: /sys/bus/usb/devices. A root hub is
// listed as "usb#root_hub20#usb1" (its USB version in the name, as the
// hub interface names the walker looks for); a hub on a port is named
// "usb#hub#1-3" and a device's driver key is its sysfs name ("1-3.2").
// The root folder is configurable so tests run on fixture trees.
#pragma once

#include <string>

#include "platform/usb_tree.h"

namespace qx::platform::linux_usb {

inline constexpr const char* kSysfsUsbRoot = "/sys/bus/usb/devices";

class SysfsUsbTree final : public UsbTree {
public:
    explicit SysfsUsbTree(std::string root = kSysfsUsbRoot);
    std::optional<std::vector<std::string>> HubInterfaces() override;
    HubOpenResult OpenHub(std::string_view path) override;

private:
    std::string root_;
};

// Device instance ID of a USB device folder: USB\VID_xxxx&PID_xxxx\<name>.
// Empty when the folder has no vendor and product IDs.
std::string UsbInstanceId(const std::string& deviceDir);

// Reads a one-line sysfs attribute without its line end; empty when absent.
std::string ReadAttribute(const std::string& dir, const char* name);

}  // namespace qx::platform::linux_usb
