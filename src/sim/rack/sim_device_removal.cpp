// Safe removal in the simulated device tree: vetoes can be set up per
// device, and a removal that goes through makes the device's disks vanish
// the way an unplug does.
#include "sim/rack/sim_device_tree.h"

namespace qx::sim {

void SimDeviceTree::VetoRemoval(std::uint32_t parentDevInst, std::string text, int tries) {
    std::lock_guard<std::mutex> hold(lock_);
    vetoes_[parentDevInst] = {std::move(text), tries};
}

void SimDeviceTree::OnRemoved(std::function<void(const std::string&)> hook) {
    std::lock_guard<std::mutex> hold(lock_);
    removedHook_ = std::move(hook);
}

int SimDeviceTree::RemovalRequests(std::uint32_t parentDevInst) const {
    std::lock_guard<std::mutex> hold(lock_);
    const auto it = removalRequests_.find(parentDevInst);
    return it == removalRequests_.end() ? 0 : it->second;
}

std::string SimDeviceTree::RemoveDevice(std::uint32_t parentDevInst) {
    std::vector<std::string> paths;
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard<std::mutex> hold(lock_);
        ++removalRequests_[parentDevInst];
        if (auto it = vetoes_.find(parentDevInst); it != vetoes_.end() && it->second.tries > 0) {
            --it->second.tries;
            return it->second.text;
        }
        for (const auto& d : disks_)
            if (d.drive.parentDevInst == parentDevInst) paths.push_back(d.path);
        hook = removedHook_;
    }
    // Outside the lock: the hook comes back into the tree to drop the disk.
    for (const auto& path : paths) {
        if (hook)
            hook(path);
        else
            RemoveDisk(path);
    }
    return {};
}

}  // namespace qx::sim
