// The Linux backend of the device tree, over libudev and sysfs. A disk
// interface is a block disk whose ancestor is a USB mass-storage interface,
// named by its /dev/disk/by-path link (".../pci-...-usb-0:2:1.0-scsi-0:0:0:0");
// its disk-drive ID is "USBSTOR\" and that link's name, so the library's
// tail rule finds the drive in the path. The parent is the USB device, with
// the instance ID the sysfs USB tree gives it; device nodes are dev_t
// values packed as major << 20 | minor.
#pragma once

#include <sys/types.h>

#include <set>
#include <string>

#include "platform/device_tree.h"
#include "platform/linux/usb_sysfs.h"

namespace qx::platform::linux_udev {

class UdevDeviceTree final : public DeviceTree {
public:
    // usbRoot: where driver keys (USB sysfs names) are looked up.
    explicit UdevDeviceTree(std::string usbRoot = linux_usb::kSysfsUsbRoot);

    std::optional<std::vector<std::string>> DiskInterfaces() override;
    // Every whole disk, named by linux_disks::WindowsShapedName.
    std::optional<std::vector<std::string>> AllDiskInterfaces() override;
    std::optional<std::vector<DiskDrive>> DiskDrives() override;
    std::optional<std::string> FindDeviceByDriverKey(std::string_view key) override;
    std::optional<StorageNumber> DeviceNumber(std::string_view path) override;
    std::optional<DiskGeometry> Geometry(std::string_view diskPath) override;
    std::optional<std::vector<Volume>> Volumes(std::string_view diskPath) override;
    bool RereadPartitions(std::string_view diskPath) override;
    std::unique_ptr<VolumeHandle> OpenVolume(std::string_view node, bool readOnly) override;
    std::string RemoveDevice(std::uint32_t parentDevInst) override;   // udev_remove.cpp
    std::optional<VolumeUsage> Usage(std::string_view node) override;

private:
    std::string usbRoot_;
};

std::uint32_t PackDevice(dev_t dev);
dev_t UnpackDevice(std::uint32_t packed);

// Devices that a mount table in /proc/self/mountinfo form uses: each line's
// major:minor and, when it is a /dev node, its mount source.
std::set<dev_t> MountedDevices(const std::string& mountinfo);

}  // namespace qx::platform::linux_udev
