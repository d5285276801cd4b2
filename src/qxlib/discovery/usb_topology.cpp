#include "qxlib/discovery/usb_topology.h"

#include <cerrno>
#include <cstdint>

#include "platform/device_tree.h"
#include "qxlib/base/debug_print.h"

namespace qx {
namespace {

// USB allows five hubs below the root; anything deeper is a tree that
// points back into itself.
constexpr int kMaxHubDepth = 7;
constexpr std::uint16_t kStringType = 0x03;
constexpr std::uint16_t kConfigurationType = 0x02;

bool IsRootHubPath(std::string_view path) {
    for (std::string_view kind : {"root_hub20", "root_hub30", "asmediausbd_hub"})
        if (path.find(kind) != std::string_view::npos) return true;
    return false;
}

platform::UsbSetupPacket GetDescriptor(std::uint16_t type, std::uint8_t index, std::uint16_t wIndex,
                                       std::uint16_t wLength) {
    return {0x80, 6, static_cast<std::uint16_t>(type << 8 | index), wIndex, wLength};
}

// The text of a string descriptor, no longer than its own bLength says and
// than the bytes that came back.
std::string StringDescriptorText(const std::vector<std::uint8_t>& d) {
    if (d.size() < 2 || d[1] != kStringType) return {};
    const std::size_t length = std::min<std::size_t>(d[0], d.size());
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < length; i += 2)
        wide.push_back(static_cast<char16_t>(d[i] | d[i + 1] << 8));
    return WideToAnsiAlloc(wide).value_or(std::string());
}

std::uint16_t RequestString(platform::UsbHub& hub, int port, std::uint16_t languageId, std::uint8_t index,
                            std::string* text) {
    if (languageId == 0) {
        const auto langs = hub.Descriptor(port, GetDescriptor(kStringType, 0, 0, 4));
        if (langs && langs->size() >= 4 && (*langs)[0] >= 4 && (*langs)[1] == kStringType)
            languageId = static_cast<std::uint16_t>((*langs)[2] | (*langs)[3] << 8);
    }
    const auto d = hub.Descriptor(port, GetDescriptor(kStringType, index, languageId, 255));
    if (d && text) *text = StringDescriptorText(*d);
    return languageId;
}

// A device on a port: its record is cleared first, so a device that shares
// its number with an earlier one replaces it whole instead of mixing fields.
void RecordDevice(platform::UsbHub& hub, int port, int number, const platform::UsbConnectionInfo& info) {
    PortRecord& rec = ScanPortTable[static_cast<std::size_t>(number)];
    ClearPortRecord(rec);
    if (const auto key = GetDriverKeyName(hub, port)) {
        if (const auto id = FindDevNodeByDriverKey(*key)) {
            if (!CopyPortText(rec.DriverKeyName, key->c_str()) || !CopyPortText(rec.DeviceInstanceId, id->c_str())) {
                rec.DriverKeyName[0] = rec.DeviceInstanceId[0] = '\0';
                DebugPrint("USB port %d: driver key or instance ID too long, not recorded\r\n", number);
            }
        }
    }
    rec.Present = 1;
    rec.HubHandle = reinterpret_cast<std::intptr_t>(&hub);
    const std::uint16_t lang = DisplayDeviceDescriptor(hub, port, 0, info.deviceDescriptor.data(), rec);
    DisplayConfigurationDescriptor(hub, port, lang);
}

void WalkExternalHub(UsbWalk& walk, platform::UsbHub& parent, int port, int depth) {
    if (depth >= kMaxHubDepth) {
        DebugPrint("USB hub below %d hubs not walked\r\n", depth);
        return;
    }
    const auto wide = parent.ConnectionName(port);
    const auto name = wide ? WideToAnsiAlloc(*wide) : std::nullopt;
    if (!name) return;
    if (name->size() > kMaxHubNameLength) {
        DebugPrint("USB hub name too long, hub not walked\r\n");
        return;
    }
    const auto opened = platform::UsbHubs().OpenHub("\\\\.\\" + *name);
    if (!opened.hub) return;
    int ports = 0;
    if (opened.hub->NodeInformation(ports) != 0 || ports < 0 || ports > 255) return;
    GetPortData(walk, *opened.hub, ports, depth + 1);
    walk.portBase += ports;
}

}  // namespace

int ScanUsbTopology() {
    UsbWalk walk;
    const auto hubs = platform::UsbHubs().HubInterfaces();
    if (!hubs) {
        DebugPrint("USB hub interfaces cannot be listed\r\n");
        return 0;
    }
    int examined = 0;
    for (const auto& path : *hubs) {
        if (examined++ == kMaxHubInterfaces) {
            DebugPrint("More than %d USB hub interfaces; the rest are ignored\r\n", kMaxHubInterfaces);
            break;
        }
        if (path.size() > kMaxHubPathLength) break;
        if (IsRootHubPath(path)) WalkRootHub(walk, path);
    }
    if (walk.portTotal > kPortCount)
        DebugPrint("USB scan found %d ports; ports from %d on are not recorded\r\n", walk.portTotal, kPortCount);
    return walk.portTotal;
}

int WalkRootHub(UsbWalk& walk, std::string_view hubPath) {
    const auto opened = platform::UsbHubs().OpenHub(hubPath);
    if (!opened.hub) return opened.error ? opened.error : ENOENT;
    int ports = 0;
    if (const int error = opened.hub->NodeInformation(ports)) return error;
    if (ports < 0 || ports > 255) return EIO;
    GetPortData(walk, *opened.hub, ports, 0);
    walk.portBase += ports;
    return 0;
}

void GetPortData(UsbWalk& walk, platform::UsbHub& hub, int portCount, int depth) {
    walk.portTotal += portCount;
    for (int i = 1; i <= portCount; ++i) {
        platform::UsbConnectionInfo info;
        if (!hub.ConnectionInfo(i, info) || info.status != platform::UsbConnectionStatus::DeviceConnected) continue;
        if (info.isHub) {
            WalkExternalHub(walk, hub, i, depth);
            continue;
        }
        const int number = walk.portBase + i - 1;
        if (number >= kPortCount) {
            DebugPrint("USB port %d is beyond the port table, not recorded\r\n", number);
            continue;
        }
        RecordDevice(hub, i, number, info);
    }
}

std::uint16_t DisplayDeviceDescriptor(platform::UsbHub& hub, int port, std::uint16_t languageId,
                                      const std::uint8_t* descriptor, PortRecord& record) {
    record.UsbVendorId = static_cast<std::uint16_t>(descriptor[8] | descriptor[9] << 8);
    record.UsbProductId = static_cast<std::uint16_t>(descriptor[10] | descriptor[11] << 8);
    for (int offset : {14, 15, 16})
        if (descriptor[offset]) languageId = DisplayStringDescriptor(hub, port, languageId, descriptor[offset]);
    std::string serial;
    languageId = GetStringDescriptorText(hub, port, languageId, descriptor[16], serial);
    if (!CopyPortText(record.UsbSerial, serial.c_str()))
        DebugPrint("USB serial on port %d too long, not recorded\r\n", port);
    return languageId;
}

std::uint16_t GetStringDescriptorText(platform::UsbHub& hub, int port, std::uint16_t languageId,
                                      std::uint8_t index, std::string& text) {
    text.clear();
    return RequestString(hub, port, languageId, index, &text);
}

std::uint16_t DisplayStringDescriptor(platform::UsbHub& hub, int port, std::uint16_t languageId,
                                      std::uint8_t index) {
    return RequestString(hub, port, languageId, index, nullptr);
}

std::uint16_t DisplayConfigurationDescriptor(platform::UsbHub& hub, int port, std::uint16_t languageId) {
    const auto d = hub.Descriptor(port, GetDescriptor(kConfigurationType, 0, 0, 256));
    if (!d || d->size() < 9 || (*d)[1] != kConfigurationType) return languageId;
    const std::size_t total = std::min<std::size_t>(d->size(), static_cast<std::size_t>((*d)[2] | (*d)[3] << 8));
    if ((*d)[6]) languageId = DisplayStringDescriptor(hub, port, languageId, (*d)[6]);
    // Interface descriptors (type 4) name their string at offset 8.
    for (std::size_t off = (*d)[0]; off + 2 <= total;) {
        const std::uint8_t length = (*d)[off];
        if (length < 2) break;
        if ((*d)[off + 1] == 4 && off + 9 <= total && (*d)[off + 8])
            languageId = DisplayStringDescriptor(hub, port, languageId, (*d)[off + 8]);
        off += length;
    }
    return languageId;
}

std::optional<std::string> GetDriverKeyName(platform::UsbHub& hub, int port) {
    const auto wide = hub.DriverKeyName(port);
    if (!wide) return std::nullopt;
    return WideToAnsiAlloc(*wide);
}

std::optional<std::string> WideToAnsiAlloc(std::u16string_view wide) {
    std::string out;
    for (std::size_t i = 0; i < wide.size() && wide[i] != 0; ++i) {
        std::uint32_t cp = wide[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00u);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = '?';   // a lone surrogate has no character
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    if (out.empty()) return std::nullopt;
    return out;
}

std::optional<std::string> FindDevNodeByDriverKey(std::string_view driverKey) {
    return platform::DeviceNodes().FindDeviceByDriverKey(driverKey);
}

}  // namespace qx
