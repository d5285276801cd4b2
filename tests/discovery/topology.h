// A USB topology written as text, built both as a simulated USB tree and as
// a sysfs fixture folder, so one table of cases checks both backends.
//
//   tree  := hub (' ' hub)*          root hubs in listing order
//   hub   := ports kind? '(' items? ')'
//   kind  := 's' (USB 3 root) | 'a' (vendor root) | 'o' (USB 1.1 root, not walked)
//   items := item (',' item)*
//   item  := port ':' ('d' | hub)    a device, or an external hub
//
// Every device's serial is its place: root index, '-', the ports down to it
// joined by '.', e.g. "0-2.1" (root 0, port 2, then port 1 of the hub there).
#pragma once

#include <string>
#include <vector>

#include "sim/rack/sim_device_tree.h"
#include "sim/rack/sim_usb_tree.h"

namespace qx::test {

struct TopoNode {
    int ports = 0;
    char kind = 0;
    struct Item {
        int port = 0;
        bool device = false;
        std::vector<TopoNode> hub;     // one element when the port holds a hub
    };
    std::vector<Item> items;
};

std::vector<TopoNode> ParseTopology(const std::string& text);

// Builds the roots in a simulated tree; every device gets a driver key and
// an instance ID "USB\VID_1234&PID_5678\<serial>" in the device tree.
void BuildSimTopology(const std::vector<TopoNode>& roots, sim::SimUsbTree& usb, sim::SimDeviceTree& devices);

// Writes a /sys/bus/usb/devices-shaped folder: usb<bus>, <bus>-<port>[.<port>...]
// with maxchild, version, descriptors, idVendor, idProduct, serial and driver.
void WriteSysfsTopology(const std::vector<TopoNode>& roots, const std::string& folder);

// One USB device's sysfs folder with the given descriptor strings.
void WriteSysfsDevice(const std::string& dir, int deviceClass, int maxchild, const std::string& serial,
                      const std::string& product = {}, bool driver = true);

}  // namespace qx::test
