#include "platform/linux/disk_names.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace qx::platform::linux_disks {
namespace {

constexpr std::string_view kDiskClassGuid = "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Listings happen on the window thread, lookups on any thread that sends a request.
std::mutex& NamesLock() {
    static std::mutex lock;
    return lock;
}
std::map<std::string, std::string>& NodesByName() {
    static std::map<std::string, std::string> nodes;
    return nodes;
}

}  // namespace

std::string_view ClassWordOfBus(std::string_view bus) {
    if (bus == "ata") return "ide";
    if (bus == "usb") return "usbstor";
    if (bus == "ieee1394") return "sbp2";
    return "scsi";
}

std::string WindowsShapedName(const WholeDisk& disk) {
    return std::string("\\\\?\\") + std::string(ClassWordOfBus(disk.bus)) + "#disk#" + disk.sysname + "#" +
           std::string(kDiskClassGuid);
}

bool IsListedDisk(std::string_view sysname) {
    for (std::string_view prefix : {"loop", "ram", "zram", "dm-", "md", "sr", "fd", "nbd"})
        if (sysname.starts_with(prefix)) return false;
    return !sysname.empty();
}

std::vector<std::string> NameWholeDisks(const std::vector<WholeDisk>& disks) {
    std::vector<std::string> names;
    std::map<std::string, std::string> nodes;
    for (const WholeDisk& d : disks) {
        if (!IsListedDisk(d.sysname) || d.devnode.empty()) continue;
        names.push_back(WindowsShapedName(d));
        nodes[Lower(names.back())] = d.devnode;
    }
    std::lock_guard hold(NamesLock());
    NodesByName() = std::move(nodes);
    return names;
}

std::string ResolveDiskPath(std::string_view path) {
    std::lock_guard hold(NamesLock());
    const auto it = NodesByName().find(Lower(path));
    return it == NodesByName().end() ? std::string(path) : it->second;
}

}  // namespace qx::platform::linux_disks
