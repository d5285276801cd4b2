#include "platform/linux/udev_disks.h"

#include <dirent.h>
#include <fcntl.h>
#include <libudev.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/linux/disk_names.h"
#include "platform/linux/volume_usage.h"
#include "platform/trace_sink.h"

namespace qx::platform::linux_udev {
namespace {

struct UdevFree { void operator()(udev* u) const { udev_unref(u); } };
struct DeviceFree { void operator()(udev_device* d) const { udev_device_unref(d); } };
struct EnumFree { void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); } };
using UdevPtr = std::unique_ptr<udev, UdevFree>;
using DevicePtr = std::unique_ptr<udev_device, DeviceFree>;
using EnumPtr = std::unique_ptr<udev_enumerate, EnumFree>;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { if (fd_ >= 0) ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
private:
    int fd_;
};

std::string RealPath(const std::string& p) {
    char buf[PATH_MAX];
    return ::realpath(p.c_str(), buf) ? std::string(buf) : std::string();
}

std::optional<dev_t> BlockDevice(std::string_view path) {
    struct stat st{};
    if (::stat(linux_disks::ResolveDiskPath(path).c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return std::nullopt;
    return st.st_rdev;
}

const char* Attr(udev_device* d, const char* name) {
    const char* v = udev_device_get_sysattr_value(d, name);
    return v ? v : "";
}

// One USB mass-storage disk as the library sees it.
struct UsbDisk {
    std::string path;
    dev_t devnum = 0;
    std::string parentId;
    dev_t parentDevnum = 0;
};

// The by-path link of a disk, when it names this disk alone: two disks on
// port 1 of the two root hubs of one xHCI controller get the same link,
// and only the one it points at may use it.
std::string ByPathLink(udev_device* disk) {
    const char* idPath = udev_device_get_property_value(disk, "ID_PATH");
    const char* node = udev_device_get_devnode(disk);
    if (!idPath || !node) return {};
    const std::string link = std::string("/dev/disk/by-path/") + idPath;
    return RealPath(link) == RealPath(node) ? link : std::string();
}

// The whole block disks udev knows; empty when the enumeration failed.
EnumPtr EnumerateDisks(udev* u) {
    EnumPtr e(udev_enumerate_new(u));
    if (!e || udev_enumerate_add_match_subsystem(e.get(), "block") < 0 ||
        udev_enumerate_add_match_property(e.get(), "DEVTYPE", "disk") < 0 || udev_enumerate_scan_devices(e.get()) < 0)
        return nullptr;
    return e;
}

std::optional<std::vector<UsbDisk>> ListUsbDisks() {
    UdevPtr u(udev_new());
    if (!u) return std::nullopt;
    EnumPtr e = EnumerateDisks(u.get());
    if (!e) return std::nullopt;
    std::vector<UsbDisk> disks;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        DevicePtr dev(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
        if (!dev) continue;
        udev_device* intf = udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_interface");
        if (!intf || std::string(Attr(intf, "bInterfaceClass")) != "08") continue;
        udev_device* usbDev = udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_device");
        if (!usbDev) continue;
        UsbDisk d;
        d.path = ByPathLink(dev.get());
        if (d.path.empty()) {
            const char* node = udev_device_get_devnode(dev.get());
            DebugOutput(std::string("USB disk ") + (node ? node : "?") +
                        " skipped: no by-path link of its own\n");
            continue;
        }
        d.devnum = udev_device_get_devnum(dev.get());
        d.parentId = linux_usb::UsbInstanceId(udev_device_get_syspath(usbDev));
        d.parentDevnum = udev_device_get_devnum(usbDev);
        disks.push_back(std::move(d));
    }
    return disks;
}

std::string Basename(const std::string& p) {
    const auto slash = p.find_last_of('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::optional<std::set<dev_t>> SwapDevices() {
    std::ifstream in("/proc/swaps");
    if (!in) return std::nullopt;
    std::set<dev_t> out;
    std::string line;
    std::getline(in, line);   // header
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string name;
        if (ls >> name)
            if (auto d = BlockDevice(name)) out.insert(*d);
    }
    return out;
}

bool HasHolders(udev_device* d) {
    const std::string dir = std::string(udev_device_get_syspath(d)) + "/holders";
    DIR* h = ::opendir(dir.c_str());
    if (!h) return false;
    bool any = false;
    while (const dirent* e = ::readdir(h))
        if (e->d_name[0] != '.') any = true;
    ::closedir(h);
    return any;
}

class LinuxVolume final : public VolumeHandle {
public:
    LinuxVolume(int fd, std::string node) : fd_(fd), node_(std::move(node)) {}
    ~LinuxVolume() override {
        Unlock();
        ::close(fd_);
    }
    LinuxVolume(const LinuxVolume&) = delete;
    LinuxVolume& operator=(const LinuxVolume&) = delete;
    // O_EXCL on a block device claims it, and fails while it is mounted.
    bool Lock() override {
        if (lockFd_ >= 0) return true;
        lockFd_ = ::open(node_.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
        return lockFd_ >= 0;
    }
    bool Unlock() override {
        if (lockFd_ < 0) return false;
        ::close(lockFd_);
        lockFd_ = -1;
        return true;
    }
private:
    int fd_;
    int lockFd_ = -1;
    std::string node_;
};

}  // namespace

std::uint32_t PackDevice(dev_t dev) {
    return static_cast<std::uint32_t>((major(dev) & 0xFFFu) << 20 | (minor(dev) & 0xFFFFFu));
}

dev_t UnpackDevice(std::uint32_t packed) { return makedev(packed >> 20, packed & 0xFFFFFu); }

std::set<dev_t> MountedDevices(const std::string& mountinfo) {
    std::set<dev_t> out;
    std::istringstream in(mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string id, parent, majmin;
        if (!(ls >> id >> parent >> majmin)) continue;
        unsigned ma = 0, mi = 0;
        if (std::sscanf(majmin.c_str(), "%u:%u", &ma, &mi) == 2) out.insert(makedev(ma, mi));
        const auto dash = line.find(" - ");
        if (dash == std::string::npos) continue;
        std::istringstream tail(line.substr(dash + 3));
        std::string fstype, source;
        if (tail >> fstype >> source && source.rfind("/dev/", 0) == 0)
            if (auto d = BlockDevice(source)) out.insert(*d);
    }
    return out;
}

UdevDeviceTree::UdevDeviceTree(std::string usbRoot) : usbRoot_(std::move(usbRoot)) {}

std::optional<std::vector<std::string>> UdevDeviceTree::DiskInterfaces() {
    auto disks = ListUsbDisks();
    if (!disks) return std::nullopt;
    std::vector<std::string> out;
    for (auto& d : *disks) out.push_back(d.path);
    return out;
}

std::optional<std::vector<std::string>> UdevDeviceTree::AllDiskInterfaces() {
    UdevPtr u(udev_new());
    if (!u) return std::nullopt;
    EnumPtr e = EnumerateDisks(u.get());
    if (!e) return std::nullopt;
    std::vector<linux_disks::WholeDisk> disks;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        DevicePtr dev(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
        if (!dev) continue;
        const char* sysname = udev_device_get_sysname(dev.get());
        const char* node = udev_device_get_devnode(dev.get());
        const char* bus = udev_device_get_property_value(dev.get(), "ID_BUS");
        disks.push_back({sysname ? sysname : "", node ? node : "", bus ? bus : ""});
    }
    return linux_disks::NameWholeDisks(disks);
}

std::optional<std::vector<DiskDrive>> UdevDeviceTree::DiskDrives() {
    auto disks = ListUsbDisks();
    if (!disks) return std::nullopt;
    std::vector<DiskDrive> out;
    for (auto& d : *disks)
        out.push_back({"USBSTOR\\" + Basename(d.path), PackDevice(d.devnum), d.parentId, PackDevice(d.parentDevnum)});
    return out;
}

std::optional<std::string> UdevDeviceTree::FindDeviceByDriverKey(std::string_view key) {
    std::string name(key);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return std::nullopt;
    const std::string dir = usbRoot_ + "/" + name;
    struct stat st{};
    if (::lstat((dir + "/driver").c_str(), &st) != 0) return std::nullopt;
    std::string id = linux_usb::UsbInstanceId(dir);
    if (id.empty()) return std::nullopt;
    return id;
}

std::optional<StorageNumber> UdevDeviceTree::DeviceNumber(std::string_view path) {
    const auto dev = BlockDevice(path);
    if (!dev) return std::nullopt;
    UdevPtr u(udev_new());
    if (!u) return std::nullopt;
    DevicePtr d(udev_device_new_from_devnum(u.get(), 'b', *dev));
    if (!d) return std::nullopt;
    StorageNumber n;
    n.deviceNumber = PackDevice(*dev);
    const char* type = udev_device_get_devtype(d.get());
    if (type && std::string(type) == "partition") {
        n.partitionNumber = static_cast<std::uint32_t>(std::atoi(Attr(d.get(), "partition")));
        udev_device* disk = udev_device_get_parent_with_subsystem_devtype(d.get(), "block", "disk");
        if (!disk) return std::nullopt;
        n.deviceNumber = PackDevice(udev_device_get_devnum(disk));
    }
    return n;
}

std::optional<DiskGeometry> UdevDeviceTree::Geometry(std::string_view diskPath) {
    Fd fd(::open(linux_disks::ResolveDiskPath(diskPath).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    int sectorSize = 0;
    if (::ioctl(fd.get(), BLKSSZGET, &sectorSize) != 0 || sectorSize <= 0) return std::nullopt;
    DiskGeometry g;
    g.bytesPerSector = static_cast<std::uint32_t>(sectorSize);
    hd_geometry hd{};
    // Disks without a BIOS geometry get the usual 255 heads of 63 sectors.
    if (::ioctl(fd.get(), HDIO_GETGEO, &hd) == 0 && hd.heads && hd.sectors) {
        g.tracksPerCylinder = hd.heads;
        g.sectorsPerTrack = hd.sectors;
    }
    std::uint64_t bytes = 0;
    if (::ioctl(fd.get(), BLKGETSIZE64, &bytes) != 0) return std::nullopt;
    g.cylinders = bytes / g.bytesPerSector / (std::uint64_t{g.tracksPerCylinder} * g.sectorsPerTrack);
    return g;
}

std::optional<std::vector<Volume>> UdevDeviceTree::Volumes(std::string_view diskPath) {
    const auto dev = BlockDevice(diskPath);
    if (!dev) return std::nullopt;
    std::ifstream mi("/proc/self/mountinfo");
    if (!mi) return std::nullopt;
    std::stringstream text;
    text << mi.rdbuf();
    const auto mounted = MountedDevices(text.str());
    const auto swaps = SwapDevices();
    if (!swaps) return std::nullopt;
    struct stat rootSt{};
    if (::stat("/", &rootSt) != 0) return std::nullopt;

    UdevPtr u(udev_new());
    if (!u) return std::nullopt;
    DevicePtr disk(udev_device_new_from_devnum(u.get(), 'b', *dev));
    const char* type = disk ? udev_device_get_devtype(disk.get()) : nullptr;
    if (!type || std::string(type) != "disk") return std::nullopt;
    EnumPtr e(udev_enumerate_new(u.get()));
    if (!e || udev_enumerate_add_match_subsystem(e.get(), "block") < 0 ||
        udev_enumerate_add_match_parent(e.get(), disk.get()) < 0 || udev_enumerate_scan_devices(e.get()) < 0)
        return std::nullopt;
    std::vector<Volume> out;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
        DevicePtr d(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
        if (!d) return std::nullopt;
        const dev_t n = udev_device_get_devnum(d.get());
        Volume v;
        const char* node = udev_device_get_devnode(d.get());
        v.node = node ? node : "";
        v.partition = static_cast<std::uint32_t>(std::atoi(Attr(d.get(), "partition")));
        v.mounted = mounted.count(n) > 0;
        v.systemUse = n == rootSt.st_dev || swaps->count(n) > 0 || HasHolders(d.get());
        out.push_back(std::move(v));
    }
    std::sort(out.begin(), out.end(), [](const Volume& a, const Volume& b) { return a.partition < b.partition; });
    return out;
}

bool UdevDeviceTree::RereadPartitions(std::string_view diskPath) {
    Fd fd(::open(linux_disks::ResolveDiskPath(diskPath).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return false;
    // The kernel refuses while another opener (udev's probe) holds a
    // partition for a moment; try a few times.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::ioctl(fd.get(), BLKRRPART) == 0) return true;
        if (errno != EBUSY || !SleepMs(200)) return false;
    }
    return false;
}

std::unique_ptr<VolumeHandle> UdevDeviceTree::OpenVolume(std::string_view node, bool readOnly) {
    const std::string n(node);
    const int fd = ::open(n.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISBLK(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<LinuxVolume>(fd, n);
}

std::optional<VolumeUsage> UdevDeviceTree::Usage(std::string_view node) {
    const auto dev = BlockDevice(node);
    return dev ? MountedUsage(*dev) : std::nullopt;
}

}  // namespace qx::platform::linux_udev
