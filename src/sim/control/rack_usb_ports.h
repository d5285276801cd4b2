// The rack folder's USB tree as its rack.ini lines give it (see
// sim_machine.h for the [usb] and [disks] lines): which hub ports there are
// and which drive sits on each. qxrack places a drive it adds on a port and
// takes a drive it removes off its lines, reading and writing the file's
// text only, never the drives' state, so it may run beside a program that
// has the rack loaded.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/rack/ini_text.h"

namespace qx::sim {

// The root hub a drive gets when the rack has no free port: as many ports as
// the main job's rack has.
inline constexpr int kNewRootHubPorts = 8;

// rack.ini's sections as written, and the file replaced whole (written
// beside it, then renamed over it).
bool ReadRackIni(const std::string& folder, std::vector<IniSection>& sections, std::string* error = nullptr);
bool WriteRackIni(const std::string& folder, const std::vector<IniSection>& sections, std::string* error = nullptr);

// The section name of the drive at an interface path; empty for none.
std::string DriveSectionAt(const std::vector<IniSection>& sections, const std::string& path);
// "H.P" of the drive's port line; empty when it sits on no port.
std::string UsbPortOf(const std::vector<IniSection>& sections, const std::string& name);
// True when a [disks] line lists the drive off the USB tree.
bool ListedOffUsb(const std::vector<IniSection>& sections, const std::string& name);
// Only a USB disk's interface path (class word "usbstor") can sit on a port.
bool UsbDiskPath(const std::string& path);

// Puts the drive of section [name] on a hub port: the one named ("H.P", a
// port of the tree that holds neither a drive nor a hub), or else the first
// free port, hub by hub in the order they appear. A rack without a hub, or
// asked for the next free port when every port is taken, first gets a root
// hub of kNewRootHubPorts ports. The port, or empty with the reason.
std::optional<std::string> PlaceOnUsbPort(std::vector<IniSection>& sections, const std::string& name,
                                          const std::string& where, std::string* error = nullptr);

// Drops the drive's port and [disks] lines; the port is free again.
void DropDriveLines(std::vector<IniSection>& sections, const std::string& name);

}  // namespace qx::sim
