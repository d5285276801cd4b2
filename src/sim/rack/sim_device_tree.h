// The simulated rack's device tree: the USB devices by driver key, the disk
// interfaces with Windows-shaped paths (the paths under which the SimRack
// keeps the drives), their disk-drive devices with the USB parent, and the
// disk and volume answers the partition writer and formatter ask for, each
// of which can be made to fail.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/device_tree.h"
#include "sim/rack/sim_usb_tree.h"
#include "sim/rack/sim_volume.h"

namespace qx::sim {

class SimDeviceTree final : public platform::DeviceTree {
public:
    // The node of a USB device, found by its driver key.
    void AddDevice(const std::string& driverKey, const std::string& instanceId);
    // A disk interface; with a device ID also its disk-drive device under
    // the parent. Returns the disk's device node.
    std::uint32_t AddDisk(const std::string& interfacePath, const std::string& deviceId = {},
                          const std::string& parentId = {});
    void RemoveDisk(const std::string& interfacePath);

    void SetGeometry(const std::string& diskPath, const platform::DiskGeometry& geometry);
    // Default: the whole disk alone, unused.
    void SetVolumes(const std::string& diskPath, std::vector<platform::Volume> volumes);

    // Faults.
    void SetInterfaceListFails(bool fails) { interfaceListFails_ = fails; }
    void SetDriveListFails(bool fails) { driveListFails_ = fails; }
    void SetDetailFailsAt(int index) { detailFailsAt_ = index; }   // -1: none
    void FailQueries(const std::string& diskPath, bool fail);        // geometry, volumes, number
    void FailReread(const std::string& diskPath, bool fail);
    int Rereads(const std::string& diskPath) const;
    // What a reread of the partition table finds: the volumes the disk's
    // table now lists (none: the list stays as it was). Without a hook a
    // reread changes nothing.
    using RereadHook = std::function<std::optional<std::vector<platform::Volume>>(const std::string& diskPath)>;
    void OnReread(RereadHook hook);

    // Volumes by node: how full the mounted file system is (Usage answers
    // for a mounted volume only), locks that fail, what handles did.
    void SetVolumeUsage(const std::string& node, std::uint64_t totalBytes, std::uint64_t usedBytes);
    void FailVolumeLocks(const std::string& node, int count);   // -1: every lock
    SimVolumeCounters VolumeCounters(const std::string& node) const;

    std::optional<std::vector<std::string>> DiskInterfaces() override;
    std::optional<std::vector<platform::DiskDrive>> DiskDrives() override;
    std::optional<std::string> FindDeviceByDriverKey(std::string_view key) override;
    std::optional<platform::StorageNumber> DeviceNumber(std::string_view path) override;
    std::optional<platform::DiskGeometry> Geometry(std::string_view diskPath) override;
    std::optional<std::vector<platform::Volume>> Volumes(std::string_view diskPath) override;
    bool RereadPartitions(std::string_view diskPath) override;
    std::unique_ptr<platform::VolumeHandle> OpenVolume(std::string_view node, bool readOnly) override;
    std::optional<platform::VolumeUsage> Usage(std::string_view node) override;

    // Safe removal (sim_device_removal.cpp): the next `tries` removals of the
    // device answer the veto text; a removal that goes through takes the
    // device's disks away and tells the hook of each (the machine unplugs
    // the drive), or just drops them from the tree when no hook is set.
    void VetoRemoval(std::uint32_t parentDevInst, std::string text, int tries);
    void OnRemoved(std::function<void(const std::string& interfacePath)> hook);
    int RemovalRequests(std::uint32_t parentDevInst) const;
    std::string RemoveDevice(std::uint32_t parentDevInst) override;

private:
    struct Veto {
        std::string text;
        int tries = 0;
    };
    std::map<std::uint32_t, Veto> vetoes_;
    std::map<std::uint32_t, int> removalRequests_;
    std::function<void(const std::string&)> removedHook_;
    RereadHook rereadHook_;

    struct Disk {
        std::string path;
        platform::DiskDrive drive;            // deviceId empty: no drive listed
        platform::DiskGeometry geometry;
        std::vector<platform::Volume> volumes;
        bool failQueries = false;
        bool failReread = false;
        int rereads = 0;
    };
    Disk* Find(std::string_view path);
    const Disk* FindVolume(std::string_view node, const platform::Volume** volume) const;
    std::shared_ptr<SimVolumeState> StateOf(std::string_view node) const;

    mutable std::mutex lock_;
    std::vector<Disk> disks_;
    mutable std::map<std::string, std::shared_ptr<SimVolumeState>, std::less<>> volumeStates_;
    std::vector<std::pair<std::string, std::string>> devices_;   // driver key, instance ID
    bool interfaceListFails_ = false;
    bool driveListFails_ = false;
    int detailFailsAt_ = -1;
    std::uint32_t nextNode_ = 0x100;
};

// The Windows names of one USB mass-storage disk.
struct UsbStorNames {
    std::string interfacePath;   // \\?\usbstor#disk&ven_qx&prod_ssd&rev_1.00#0001&0#{53f56307-...}
    std::string deviceId;        // USBSTOR\Disk&Ven_QX&Prod_SSD&Rev_1.00\0001&0
    std::string usbInstanceId;   // USB\VID_1234&PID_5678\0001
};
UsbStorNames MakeUsbStorNames(const SimUsbDevice& usb, const std::string& instanceTail,
                              const std::string& vendor = "QX", const std::string& product = "SSD");

// Plugs a USB disk into both trees: the USB device on the hub port (given a
// driver key when it has none), its node, the disk interface and the disk
// drive under it. The instance tail defaults to the USB serial. Returns the
// names; the SimRack keeps the drive under names.interfacePath.
UsbStorNames PlugUsbDisk(SimUsbTree& usb, SimDeviceTree& devices, SimUsbTree::HubId hub, int port,
                         SimUsbDevice device, std::string instanceTail = {});

}  // namespace qx::sim
