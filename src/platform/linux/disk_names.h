// Windows-shaped names for every whole disk, so that the rules that read a
// class word out of an interface path ("ide", "usbstor", "sbp2", "scsi") see
// the disk's real transport, and the map back from such a name to its /dev
// node that the device I/O and the disk queries open. A by-path link of a
// USB disk holds "scsi" before "usb"; these names do not mislead that way.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx::platform::linux_disks {

// What udev says about one whole disk.
struct WholeDisk {
    std::string sysname;   // "sda"
    std::string devnode;   // "/dev/sda"
    std::string bus;       // ID_BUS: "ata", "usb", "ieee1394", "scsi", or empty
};

// ATA "ide", USB "usbstor", FireWire "sbp2", anything else "scsi".
std::string_view ClassWordOfBus(std::string_view bus);

// "\\?\<word>#disk#<sysname>#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}": the
// kernel name alone besides the class word, so no vendor or model text can
// carry a class word of its own into the name.
std::string WindowsShapedName(const WholeDisk& disk);

// Disks worth listing: not loop, RAM, device-mapper, RAID, optical or floppy devices.
bool IsListedDisk(std::string_view sysname);

// Names of the listed disks in order, and the map back to their nodes,
// replacing the map of an earlier listing.
std::vector<std::string> NameWholeDisks(const std::vector<WholeDisk>& disks);

// The /dev node of a name from the last listing (letter case ignored);
// any other path is returned as it is.
std::string ResolveDiskPath(std::string_view path);

}  // namespace qx::platform::linux_disks
