#include "qxlib/discovery/usb_disks.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/device_tree.h"
#include "platform/named_mutex.h"
#include "qxlib/base/debug_print.h"

namespace qx {
namespace {

constexpr std::uint32_t kDetailSizeWord = 5;

// Windows names a USB disk interface after its enumerator, "usbstor#...";
// Linux names it by its by-path link, "...-usb-0:2:1.0-scsi-0:0:0:0".
bool IsUsbDiskInterface(const std::string& path) {
    return ContainsString(path.c_str(), "usbstor") || ContainsString(path.c_str(), "-usb-");
}

int Capacity(int requested, std::size_t size, int limit) {
    return std::clamp(requested, 0, static_cast<int>(std::min<std::size_t>(size, static_cast<std::size_t>(limit))));
}

// Parents from the USBSTOR records, the last matching record winning.
void JoinParents(std::span<DiskDeviceEntry> entries, int filled) {
    std::vector<UsbStorClassEntry> records(kMaxUsbStorRecords);
    int found = kMaxUsbStorRecords;
    ListUsbStorDisks(records, &found);
    for (int e = 0; e < filled; ++e) {
        DiskDeviceEntry& entry = entries[static_cast<std::size_t>(e)];
        for (int r = 0; r < found; ++r) {
            const UsbStorClassEntry& rec = records[static_cast<std::size_t>(r)];
            if (!rec.InstanceTail[0] || !std::strstr(entry.InterfaceDetail.DevicePath, rec.InstanceTail)) continue;
            if (std::strlen(rec.ParentDeviceId) >= sizeof entry.ParentInstanceId) {
                DebugPrint("Parent ID of %s too long, not taken\r\n", rec.InstanceTail);
                continue;
            }
            std::strcpy(entry.ParentInstanceId, rec.ParentDeviceId);
            entry.DevInst = rec.DevInst;
            entry.ParentDevInst = rec.ParentDevInst;
        }
    }
}

}  // namespace

int EnumUsbDiskInterfaces(std::span<DiskDeviceEntry> entries, int* count) {
    if (!count) return 0;
    // Opened (or created) on the first call and kept; rescans from the
    // timer and from device-change messages take turns on it.
    static platform::NamedMutex mutex("QXUSBAcess");
    std::lock_guard<platform::NamedMutex> hold(mutex);

    const int capacity = Capacity(*count, entries.size(), kMaxDiskDevices);
    std::memset(entries.data(), 0, static_cast<std::size_t>(capacity) * sizeof(DiskDeviceEntry));
    const auto paths = platform::DeviceNodes().DiskInterfaces();
    if (!paths) {
        *count = 0;
        return 0;
    }
    int filled = 0;
    for (const auto& path : *paths) {
        if (filled == capacity) break;
        if (!IsUsbDiskInterface(path)) continue;
        DiskDeviceEntry& entry = entries[static_cast<std::size_t>(filled)];
        if (path.size() >= sizeof entry.InterfaceDetail.DevicePath) {
            DebugPrint("Disk interface path too long, skipped: %.64s...\r\n", path.c_str());
            continue;
        }
        entry.InterfaceDetail.cbSize = kDetailSizeWord;
        std::memcpy(entry.InterfaceDetail.DevicePath, path.c_str(), path.size() + 1);
        ++filled;
    }
    *count = filled;
    if (filled > 0) JoinParents(entries, filled);
    return 1;
}

int ListUsbStorDisks(std::span<UsbStorClassEntry> records, int* count) {
    const int capacity = Capacity(count ? *count : kMaxUsbStorRecords, records.size(), kMaxUsbStorRecords);
    int found = 0;
    const auto drives = platform::DeviceNodes().DiskDrives();
    for (std::size_t i = 0; drives && i < drives->size() && found < capacity; ++i) {
        const platform::DiskDrive& d = (*drives)[i];
        if (d.deviceId.compare(0, 7, "USBSTOR") != 0) continue;
        UsbStorClassEntry& rec = records[static_cast<std::size_t>(found)];
        if (d.deviceId.size() >= sizeof rec.InstanceTail || d.parentId.size() >= sizeof rec.ParentDeviceId) {
            DebugPrint("Disk drive ID too long, skipped: %.64s...\r\n", d.deviceId.c_str());
            continue;
        }
        std::memset(&rec, 0, sizeof rec);
        std::string tail = d.deviceId.size() > 8 ? d.deviceId.substr(8) : std::string();
        for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (const auto slash = tail.find('\\'); slash != std::string::npos) tail[slash] = '#';
        std::replace(tail.begin(), tail.end(), '/', '#');
        std::memcpy(rec.InstanceTail, tail.c_str(), tail.size() + 1);
        std::memcpy(rec.ParentDeviceId, d.parentId.c_str(), d.parentId.size() + 1);
        LowerCaseString(rec.ParentDeviceId);
        rec.DevInst = d.devInst;
        rec.ParentDevInst = d.parentDevInst;
        ++found;
    }
    if (count) *count = found;
    return 1;
}

int ContainsString(const char* text, const char* part) {
    if (!text || !part) return 0;
    const std::size_t n = std::strlen(text), m = std::strlen(part);
    for (std::size_t i = 0; i + m <= n; ++i) {
        std::size_t k = 0;
        while (k < m && std::tolower(static_cast<unsigned char>(text[i + k])) ==
                            std::tolower(static_cast<unsigned char>(part[k])))
            ++k;
        if (k == m) return 1;
    }
    return 0;
}

void LowerCaseString(char* text) {
    for (; text && *text; ++text) *text = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
}

}  // namespace qx
