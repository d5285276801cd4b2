#include "platform/device_tree.h"

#include <atomic>

#include "platform/linux/udev_disks.h"

namespace qx::platform {
namespace {
std::atomic<DeviceTree*> g_tree{nullptr};
}  // namespace

DeviceTree& DeviceNodes() {
    static linux_udev::UdevDeviceTree udev;
    DeviceTree* t = g_tree.load();
    return t ? *t : udev;
}

void SetDeviceTree(DeviceTree* tree) { g_tree.store(tree); }

}  // namespace qx::platform
