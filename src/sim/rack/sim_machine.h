// A rack folder as the whole machine a program sees: the drives of
// "rack.ini", the USB hubs and ports they sit on, and the disk interfaces the
// device tree lists. The topology lives in the [usb] section:
//
//   [usb]
//   root=8              a root hub with 8 ports (hubs are numbered 0, 1, ...
//   root=4              in the order they appear, root or external)
//   hub=0.4:4           an external hub on port 4 of hub 0, with 4 ports
//   port=0.1 drive1     the drive of section [drive1] on port 1 of hub 0
//   port=0.2 drive2 unplugged   its port, with the drive taken off it
//
//   [disks]
//   disk=drive2         the drive of section [drive2] attached off the USB
//                       tree (an "ide", "scsi" or "sbp2" path), listed as a
//                       disk interface under its own path and driven with
//                       ATA requests or SAT blocks as its path class says
//
// A plugged drive's disk interface is its rack path; its USB device carries
// the drive's serial and the vendor and product of what the host sees first
// (the bridge, or the controller's own USB interface).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_rack.h"
#include "sim/rack/sim_usb_tree.h"
#include "sim/rack/usb_device_of.h"

namespace qx::sim {


class SimMachine {
public:
    static std::unique_ptr<SimMachine> LoadFolder(const std::string& folder, std::string* error = nullptr);

    SimRack& Rack() { return *rack_; }
    SimUsbTree& Usb() { return usb_; }
    SimDeviceTree& Devices() { return devices_; }

    // Makes this machine the platform's devices, USB tree and device tree.
    void Install();
    void Uninstall();

    // Takes a drive off its USB port or puts it back (machine_plug.cpp): its
    // USB device, disk interface and opens go and come together, the drive
    // keeps its state. False, with the reason, for a drive without a port
    // or already in that state. A safe removal that goes through unplugs.
    bool Plug(const std::string& path, std::string* error = nullptr);
    bool Unplug(const std::string& path, std::string* error = nullptr);
    bool Plugged(const std::string& path) const;

private:
    struct PlugPoint {
        SimUsbTree::HubId hub = 0;
        int port = 0;
        SimUsbDevice usb;
        std::string deviceId;
        std::string instanceId;
        bool plugged = false;
    };
    void AddPlugPoint(const std::string& path, PlugPoint point);

    std::unique_ptr<SimRack> rack_;
    mutable std::mutex plugLock_;
    std::map<std::string, PlugPoint> plugs_;   // by drive path
    SimUsbTree usb_;
    SimDeviceTree devices_;
};

// The backend is chosen once at start: with QX_SIM_RACK naming a rack folder
// the simulated machine is loaded and installed (a folder that does not load
// is an error, never a silent fall back to real drives); without it, nothing
// changes and the real devices are used. *simulated tells which. With
// QX_SIM_REQUEST_LOG set the rack keeps every request (see request_log_text.h)
// unless its folder chose a log of its own.
std::unique_ptr<SimMachine> InstallBackendFromEnvironment(bool* simulated, std::string* error);

}  // namespace qx::sim
