// Safe removal on Linux: what the operator's "Safe Remove" asks of a USB
// disk. Every step that cannot be undone comes after the one that may be
// refused (a busy file system), so a veto leaves the disk as it was, usable.
#include <fcntl.h>
#include <libudev.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/linux/udev_disks.h"
#include "platform/linux/udev_mounts.h"
#include "platform/trace_sink.h"

namespace qx::platform::linux_udev {
namespace {

struct UdevFree { void operator()(udev* u) const { udev_unref(u); } };
struct DeviceFree { void operator()(udev_device* d) const { udev_device_unref(d); } };
struct EnumFree { void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); } };

struct Disk {
    std::string sysname;   // sdb
    std::string node;      // /dev/sdb
    std::vector<dev_t> devices;   // the disk and its partitions
};

std::vector<Disk> DisksUnder(udev* u, udev_device* usb) {
    std::vector<Disk> out;
    std::unique_ptr<udev_enumerate, EnumFree> e(udev_enumerate_new(u));
    if (!e || udev_enumerate_add_match_subsystem(e.get(), "block") < 0 ||
        udev_enumerate_add_match_parent(e.get(), usb) < 0 || udev_enumerate_scan_devices(e.get()) < 0)
        return out;
    udev_list_entry* entry = nullptr;
    std::vector<std::pair<std::string, dev_t>> partitions;   // parent disk sysname, device
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        std::unique_ptr<udev_device, DeviceFree> d(udev_device_new_from_syspath(u, udev_list_entry_get_name(entry)));
        if (!d) continue;
        const char* type = udev_device_get_devtype(d.get());
        if (type && std::strcmp(type, "disk") == 0) {
            const char* node = udev_device_get_devnode(d.get());
            out.push_back({udev_device_get_sysname(d.get()), node ? node : "", {udev_device_get_devnum(d.get())}});
        } else if (type && std::strcmp(type, "partition") == 0) {
            udev_device* disk = udev_device_get_parent_with_subsystem_devtype(d.get(), "block", "disk");
            if (disk) partitions.emplace_back(udev_device_get_sysname(disk), udev_device_get_devnum(d.get()));
        }
    }
    for (const auto& [disk, dev] : partitions)
        for (Disk& d : out)
            if (d.sysname == disk) d.devices.push_back(dev);
    return out;
}

// The veto text of a failed step, or empty.
std::string WriteOne(const std::string& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return file + ": " + std::strerror(errno);
    const bool ok = ::write(fd, "1", 1) == 1;
    const int err = errno;
    ::close(fd);
    return ok ? std::string() : file + ": " + std::strerror(err);
}

std::string Unmount(const Disk& disk) {
    std::ifstream in("/proc/self/mountinfo");
    if (!in) return "cannot read /proc/self/mountinfo";
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> points;
    for (dev_t dev : disk.devices)
        for (auto& p : MountPoints(text.str(), dev)) points.push_back(std::move(p));
    // Innermost first: a file system mounted inside another comes later in
    // the table.
    for (auto it = points.rbegin(); it != points.rend(); ++it) {
        if (::umount2(it->c_str(), 0) == 0) continue;
        if (errno == EBUSY) return *it + " is in use";
        return "cannot unmount " + *it + ": " + std::strerror(errno);
    }
    return {};
}

std::string FlushBuffers(const Disk& disk) {
    const int fd = ::open(disk.node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return disk.node + ": " + std::strerror(errno);
    const bool ok = ::ioctl(fd, BLKFLSBUF) == 0;
    const int err = errno;
    ::close(fd);
    return ok ? std::string() : disk.node + ": " + std::strerror(err);
}

}  // namespace

std::string UdevDeviceTree::RemoveDevice(std::uint32_t parentDevInst) {
    std::unique_ptr<udev, UdevFree> u(udev_new());
    if (!u) return "no udev context";
    std::unique_ptr<udev_device, DeviceFree> usb(udev_device_new_from_devnum(u.get(), 'c', UnpackDevice(parentDevInst)));
    if (!usb) return {};   // already gone
    const char* subsystem = udev_device_get_subsystem(usb.get());
    const char* type = udev_device_get_devtype(usb.get());
    if (!subsystem || !type || std::strcmp(subsystem, "usb") != 0 || std::strcmp(type, "usb_device") != 0)
        return "not a USB device";
    const std::string usbName = udev_device_get_sysname(usb.get());
    const std::vector<Disk> disks = DisksUnder(u.get(), usb.get());

    ::sync();
    for (const Disk& d : disks)
        if (std::string veto = Unmount(d); !veto.empty()) return veto;
    for (const Disk& d : disks) {
        if (std::string veto = FlushBuffers(d); !veto.empty()) return veto;
        if (std::string veto = WriteOne("/sys/block/" + d.sysname + "/device/delete"); !veto.empty()) return veto;
        DebugOutput("removed disk " + d.node + "\n");
    }
    return WriteOne(std::string(linux_usb::kSysfsUsbRoot) + "/" + usbName + "/remove");
}

}  // namespace qx::platform::linux_udev
