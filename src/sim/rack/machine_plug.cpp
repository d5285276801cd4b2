// A drive taken off its USB port and put back while a program runs: what
// the host sees of it (the USB device on the hub port, the disk interface
// under it) goes and comes as one, while the drive keeps its state.
#include "sim/rack/sim_machine.h"

#include "sim/rack/rack_volumes.h"

namespace qx::sim {
namespace {

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

void SimMachine::AddPlugPoint(const std::string& path, PlugPoint point) {
    std::lock_guard<std::mutex> hold(plugLock_);
    plugs_[path] = std::move(point);
}

bool SimMachine::Plugged(const std::string& path) const {
    std::lock_guard<std::mutex> hold(plugLock_);
    const auto it = plugs_.find(path);
    return it != plugs_.end() && it->second.plugged;
}

bool SimMachine::Plug(const std::string& path, std::string* error) {
    std::lock_guard<std::mutex> hold(plugLock_);
    const auto it = plugs_.find(path);
    if (it == plugs_.end()) return Fail(error, "no drive on a USB port at " + path);
    PlugPoint& p = it->second;
    if (p.plugged) return Fail(error, "already plugged: " + path);
    // A fresh device node, as the system gives a re-enumerated device.
    devices_.AddDisk(path, p.deviceId, p.instanceId);
    // Its volumes: the one its description gives, else those its partition
    // table lists, as the system reads them on arrival.
    if (const SimDrive* drive = rack_->Find(path)) {
        if (drive->Config().volume) ListDriveVolume(devices_, path, drive->Config());
        else devices_.SetVolumes(path, VolumesOfDriveTable(path, *drive));
    }
    usb_.PlugDevice(p.hub, p.port, p.usb);
    rack_->SetUnplugged(path, false);
    p.plugged = true;
    return true;
}

bool SimMachine::Unplug(const std::string& path, std::string* error) {
    std::lock_guard<std::mutex> hold(plugLock_);
    const auto it = plugs_.find(path);
    if (it == plugs_.end()) return Fail(error, "no drive on a USB port at " + path);
    PlugPoint& p = it->second;
    if (!p.plugged) return Fail(error, "not plugged: " + path);
    rack_->SetUnplugged(path, true);
    usb_.Unplug(p.hub, p.port);
    devices_.RemoveDisk(path);
    p.plugged = false;
    return true;
}

}  // namespace qx::sim
