// The USB mass-storage disks the system shows, each with the USB device it
// hangs off, so that port matching can join a disk to the port the topology
// walker found that device on.
#pragma once

#include <cstdint>
#include <span>

namespace qx {

inline constexpr int kMaxDiskDevices = 256;
inline constexpr int kMaxUsbStorRecords = 256;

// The interface detail as the system hands it out: a size word, then the path.
struct InterfaceDetailData {
    std::uint32_t cbSize;
    char DevicePath[1392];
};
static_assert(sizeof(InterfaceDetailData) == 1396);

struct DiskDeviceEntry {
    char ParentInstanceId[128];        // the USB device's instance ID, lower case
    InterfaceDetailData InterfaceDetail;
    std::uint32_t DevInst;
    std::uint32_t ParentDevInst;
    std::uint32_t Taken;               // set by port matching
};

// One disk-drive device whose ID starts "USBSTOR".
struct UsbStorClassEntry {
    char ParentDeviceId[256];          // lower case
    char InstanceTail[256];            // the ID as it appears inside an interface path
    std::uint32_t DevInst;
    std::uint32_t ParentDevInst;
};

// Fills entries with the present USB disk interfaces under the named mutex
// "QXUSBAcess". count: in, the capacity (bounded by the array); out, the
// entries filled. 1 done; 0 when no count was given or no list obtained.
int EnumUsbDiskInterfaces(std::span<DiskDeviceEntry> entries, int* count);
// The USBSTOR disk drives; count as above. Always 1.
int ListUsbStorDisks(std::span<UsbStorClassEntry> records, int* count);

// 1 when part occurs in text, without regard to letter case.
int ContainsString(const char* text, const char* part);
void LowerCaseString(char* text);

}  // namespace qx
