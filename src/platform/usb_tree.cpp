#include "platform/usb_tree.h"

#include <atomic>

#include "platform/linux/usb_sysfs.h"

namespace qx::platform {
namespace {
std::atomic<UsbTree*> g_tree{nullptr};
}  // namespace

UsbTree& UsbHubs() {
    static linux_usb::SysfsUsbTree sysfs;
    UsbTree* t = g_tree.load();
    return t ? *t : sysfs;
}

void SetUsbHubs(UsbTree* tree) { g_tree.store(tree); }

}  // namespace qx::platform
