#include "sim/rack/sim_device_tree.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <utility>

#include "sim/rack/path_case.h"

namespace qx::sim {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

void SimDeviceTree::AddDevice(const std::string& driverKey, const std::string& instanceId) {
    std::lock_guard<std::mutex> hold(lock_);
    devices_.emplace_back(driverKey, instanceId);
}

std::uint32_t SimDeviceTree::AddDisk(const std::string& interfacePath, const std::string& deviceId,
                                     const std::string& parentId) {
    std::lock_guard<std::mutex> hold(lock_);
    Disk d;
    d.path = interfacePath;
    d.drive.deviceId = deviceId;
    d.drive.devInst = nextNode_++;
    d.drive.parentId = parentId;
    d.drive.parentDevInst = nextNode_++;
    d.volumes = {{interfacePath, 0, false, false}};
    disks_.push_back(d);
    return d.drive.devInst;
}

void SimDeviceTree::RemoveDisk(const std::string& interfacePath) {
    std::lock_guard<std::mutex> hold(lock_);
    std::erase_if(disks_, [&](const Disk& d) { return d.path == interfacePath; });
}

SimDeviceTree::Disk* SimDeviceTree::Find(std::string_view path) {
    for (auto& d : disks_)
        if (d.path == path) return &d;
    for (auto& d : disks_)
        if (SamePathNoCase(d.path, path)) return &d;
    return nullptr;
}

const SimDeviceTree::Disk* SimDeviceTree::FindVolume(std::string_view node, const platform::Volume** volume) const {
    for (const auto& d : disks_)
        for (const auto& v : d.volumes)
            if (v.node == node) {
                *volume = &v;
                return &d;
            }
    return nullptr;
}

void SimDeviceTree::SetGeometry(const std::string& diskPath, const platform::DiskGeometry& geometry) {
    std::lock_guard<std::mutex> hold(lock_);
    if (Disk* d = Find(diskPath)) d->geometry = geometry;
}

void SimDeviceTree::SetVolumes(const std::string& diskPath, std::vector<platform::Volume> volumes) {
    std::lock_guard<std::mutex> hold(lock_);
    if (Disk* d = Find(diskPath)) d->volumes = std::move(volumes);
}

void SimDeviceTree::FailQueries(const std::string& diskPath, bool fail) {
    std::lock_guard<std::mutex> hold(lock_);
    if (Disk* d = Find(diskPath)) d->failQueries = fail;
}

void SimDeviceTree::FailReread(const std::string& diskPath, bool fail) {
    std::lock_guard<std::mutex> hold(lock_);
    if (Disk* d = Find(diskPath)) d->failReread = fail;
}

int SimDeviceTree::Rereads(const std::string& diskPath) const {
    std::lock_guard<std::mutex> hold(lock_);
    for (const auto& d : disks_)
        if (d.path == diskPath) return d.rereads;
    return 0;
}

std::optional<std::vector<std::string>> SimDeviceTree::DiskInterfaces() {
    std::lock_guard<std::mutex> hold(lock_);
    if (interfaceListFails_) return std::nullopt;
    std::vector<std::string> out;
    for (const auto& d : disks_) {
        if (static_cast<int>(out.size()) == detailFailsAt_) break;
        out.push_back(d.path);
    }
    return out;
}

std::optional<std::vector<platform::DiskDrive>> SimDeviceTree::DiskDrives() {
    std::lock_guard<std::mutex> hold(lock_);
    if (driveListFails_) return std::nullopt;
    std::vector<platform::DiskDrive> out;
    for (const auto& d : disks_)
        if (!d.drive.deviceId.empty()) out.push_back(d.drive);
    return out;
}

std::optional<std::string> SimDeviceTree::FindDeviceByDriverKey(std::string_view key) {
    std::lock_guard<std::mutex> hold(lock_);
    for (const auto& [k, id] : devices_)
        if (Lower(k) == Lower(std::string(key))) return id;
    return std::nullopt;
}

std::optional<platform::StorageNumber> SimDeviceTree::DeviceNumber(std::string_view path) {
    std::lock_guard<std::mutex> hold(lock_);
    if (const Disk* d = Find(path)) {
        if (d->failQueries) return std::nullopt;
        return platform::StorageNumber{platform::kDeviceTypeDisk, d->drive.devInst, 0};
    }
    const platform::Volume* v = nullptr;
    if (const Disk* d = FindVolume(path, &v); d && !d->failQueries)
        return platform::StorageNumber{platform::kDeviceTypeDisk, d->drive.devInst, v->partition};
    return std::nullopt;
}

std::optional<platform::DiskGeometry> SimDeviceTree::Geometry(std::string_view diskPath) {
    std::lock_guard<std::mutex> hold(lock_);
    const Disk* d = Find(diskPath);
    if (!d || d->failQueries) return std::nullopt;
    return d->geometry;
}

std::optional<std::vector<platform::Volume>> SimDeviceTree::Volumes(std::string_view diskPath) {
    std::lock_guard<std::mutex> hold(lock_);
    const Disk* d = Find(diskPath);
    if (!d || d->failQueries) return std::nullopt;
    return d->volumes;
}

bool SimDeviceTree::RereadPartitions(std::string_view diskPath) {
    RereadHook hook;
    {
        std::lock_guard<std::mutex> hold(lock_);
        Disk* d = Find(diskPath);
        if (!d || d->failReread) return false;
        ++d->rereads;
        hook = rereadHook_;
    }
    if (!hook) return true;
    // The drive is read without the tree's lock held: the rack takes its own.
    auto volumes = hook(std::string(diskPath));
    if (!volumes) return true;
    std::lock_guard<std::mutex> hold(lock_);
    if (Disk* d = Find(diskPath)) d->volumes = std::move(*volumes);
    return true;
}

void SimDeviceTree::OnReread(RereadHook hook) {
    std::lock_guard<std::mutex> hold(lock_);
    rereadHook_ = std::move(hook);
}

std::unique_ptr<platform::VolumeHandle> SimDeviceTree::OpenVolume(std::string_view node, bool) {
    std::lock_guard<std::mutex> hold(lock_);
    const platform::Volume* v = nullptr;
    if (!FindVolume(node, &v)) return nullptr;
    return std::make_unique<SimVolumeHandle>(StateOf(node), v->mounted || v->systemUse);
}

std::optional<platform::VolumeUsage> SimDeviceTree::Usage(std::string_view node) {
    std::lock_guard<std::mutex> hold(lock_);
    const platform::Volume* v = nullptr;
    const Disk* d = FindVolume(node, &v);
    if (!d || d->failQueries || !v->mounted) return std::nullopt;
    return StateOf(node)->Usage();
}

std::shared_ptr<SimVolumeState> SimDeviceTree::StateOf(std::string_view node) const {
    auto it = volumeStates_.find(node);
    if (it == volumeStates_.end())
        it = volumeStates_.emplace(std::string(node), std::make_shared<SimVolumeState>()).first;
    return it->second;
}

void SimDeviceTree::SetVolumeUsage(const std::string& node, std::uint64_t totalBytes, std::uint64_t usedBytes) {
    std::lock_guard<std::mutex> hold(lock_);
    StateOf(node)->SetUsage(totalBytes, usedBytes);
}

void SimDeviceTree::FailVolumeLocks(const std::string& node, int count) {
    std::lock_guard<std::mutex> hold(lock_);
    StateOf(node)->FailLocks(count);
}

SimVolumeCounters SimDeviceTree::VolumeCounters(const std::string& node) const {
    std::lock_guard<std::mutex> hold(lock_);
    return StateOf(node)->Counters();
}

UsbStorNames MakeUsbStorNames(const SimUsbDevice& usb, const std::string& instanceTail, const std::string& vendor,
                              const std::string& product) {
    char usbId[64];
    std::snprintf(usbId, sizeof usbId, "USB\\VID_%04X&PID_%04X\\", usb.vendorId, usb.productId);
    UsbStorNames n;
    n.usbInstanceId = usbId + (usb.serial.empty() ? instanceTail : usb.serial);
    const std::string disk = "Disk&Ven_" + vendor + "&Prod_" + product + "&Rev_1.00";
    n.deviceId = "USBSTOR\\" + disk + "\\" + instanceTail + "&0";
    n.interfacePath = "\\\\?\\usbstor#" + Lower(disk) + "#" + Lower(instanceTail) +
                      "&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    return n;
}

UsbStorNames PlugUsbDisk(SimUsbTree& usb, SimDeviceTree& devices, SimUsbTree::HubId hub, int port,
                         SimUsbDevice device, std::string instanceTail) {
    static std::atomic<int> nextKey{1};
    const int key = nextKey++;
    if (instanceTail.empty()) {
        char tail[32];
        std::snprintf(tail, sizeof tail, "7&%x&0&%d", 0x3e00 + key, port);
        instanceTail = device.serial.empty() ? tail : device.serial;
    }
    if (device.driverKey.empty()) {
        char k[64];
        std::snprintf(k, sizeof k, "{36fc9e60-c465-11cf-8056-444553540000}\\%04d", key);
        device.driverKey = k;
    }
    UsbStorNames n = MakeUsbStorNames(device, instanceTail);
    devices.AddDevice(device.driverKey, n.usbInstanceId);
    devices.AddDisk(n.interfacePath, n.deviceId, n.usbInstanceId);
    usb.PlugDevice(hub, port, std::move(device));
    return n;
}

}  // namespace qx::sim
