#include "station/port_info/drive_detail.h"

#include <algorithm>
#include <array>

#include "qxlib/base/hex_text.h"
#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/sys_bin_header.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/vendor_command.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "station/port_info/printf_text.h"

namespace qx::station {
namespace {

// Where the controller's memory image keeps the USB identity.
constexpr std::size_t kVidAt = 100;
constexpr std::size_t kPidAt = 102;
constexpr std::size_t kVendorNameAt = 118;
constexpr std::size_t kVendorNameChars = 8;
constexpr std::size_t kProductNameAt = 126;
constexpr std::size_t kProductNameChars = 16;
constexpr std::size_t kManufacturerAt = 158;
constexpr std::size_t kProductStringAt = 192;
constexpr std::size_t kSerialStringAt = 242;
constexpr std::size_t kFwInfoAt = 768;
constexpr std::size_t kFwInfoChars = 39;

// A fixed-length text of the image, cut at its first zero byte.
std::string ImageText(std::span<const std::uint8_t> image, std::size_t at, std::size_t chars) {
    if (at >= image.size()) return {};
    const auto field = image.subspan(at, std::min(chars, image.size() - at));
    return std::string(FixedTextView({reinterpret_cast<const char*>(field.data()), field.size()}));
}

std::string HexByte(std::uint8_t b) { return {NibbleToHexChar(b >> 4), NibbleToHexChar(b)}; }

// An IDENTIFY string: byte pairs swapped, cut at the first zero byte.
std::string IdentifyText(const std::array<std::uint8_t, 512>& id, std::size_t from, std::size_t to) {
    std::array<std::uint8_t, 512> copy = id;
    SwapBytePairs(&copy[from], to - from + 1);
    return ImageText(copy, from, to - from + 1);
}

void ReadUsbPath(int port, DriveDetail& d) {
    std::array<std::uint8_t, 64> inquiry{};
    if (SCSI_Inquiry(port, inquiry.data()) != 1) {
        d.memoLines.emplace_back(kIdentifyFailText);
        return;
    }
    d.loader = IsLoaderDevice(port);
    d.capacityRead = true;
    d.capacity = std::to_string(GetCapacityMB(port)) + " MB";
    if (d.loader) return;
    FlashConfig config{};
    BinFileList binFiles{};
    SystemInfo info{};
    std::vector<std::uint8_t> buffer(kSystemInfoBufferBytes);
    std::vector<std::uint8_t> image(kSystemImageBytes);
    if (!ReadSystemInfo(port, config, binFiles, info, buffer, image)) return;
    d.fwInfoRead = true;
    d.fwInfo = ImageText(image, kFwInfoAt, kFwInfoChars);
    // The strings are read: an image without the identity block shows them
    // empty, never the previous drive's nor its IDENTIFY text.
    d.usbStringsRead = true;
    if (!CarriesUsbIdentityBlock(image)) return;
    d.vid = HexByte(image[kVidAt + 1]) + HexByte(image[kVidAt]);
    d.pid = HexByte(image[kPidAt + 1]) + HexByte(image[kPidAt]);
    d.vendorName = ImageText(image, kVendorNameAt, kVendorNameChars);
    d.productName = ImageText(image, kProductNameAt, kProductNameChars);
    d.manufacturer = UsbDescriptorText(image, kManufacturerAt, 16);
    d.productString = UsbDescriptorText(image, kProductStringAt, 24);
    d.serial = UsbDescriptorText(image, kSerialStringAt, 20);
}

void ReadSataPath(int port, DriveDetail& d) {
    std::array<std::uint8_t, 512> id{};
    if (!IdentifyDevice(port, id.data(), 1)) {
        d.memoLines.emplace_back(kIdentifyFailText);
        return;
    }
    d.memoLines.push_back("Model Number: \t" + IdentifyText(id, 54, 93));
    d.memoLines.push_back("F/W Version: \t" + IdentifyText(id, 46, 53));
    d.memoLines.push_back("Serial Number: \t" + IdentifyText(id, 20, 39));
    d.loader = IsLoaderDevice(port);
    std::string wwn;
    for (std::size_t word = 108; word <= 111; ++word) wwn += HexByte(id[2 * word + 1]) + HexByte(id[2 * word]);
    d.memoLines.push_back("World Wide Name:\t" + wwn);
    // Capacities are unsigned: a drive past 2^31 sectors shows its real size.
    d.memoLines.push_back(PrintfText("Capacity:\t\t%u MB", GetCapacityMB(port)));
    d.memoLines.push_back(PrintfText("LBA:         \t%u", GetCapacitySectors(port)));
    if (d.loader) return;
    FlashConfig config{};
    BinFileList binFiles{};
    SystemInfo info{};
    std::vector<std::uint8_t> buffer(kSystemInfoBufferBytes);
    if (!ReadSystemInfo(port, config, binFiles, info, buffer)) return;
    d.fwInfoRead = true;
    d.fwInfo = ImageText(info.SystemHeaderCopy, 0, info.SystemHeaderCopy.size());
}

}  // namespace

std::string UsbDescriptorText(std::span<const std::uint8_t> image, std::size_t at, std::size_t maxChars) {
    if (at >= image.size() || image[at] < 2) return {};
    std::size_t chars = std::min<std::size_t>((image[at] - 2u) / 2u, maxChars);
    std::string out;
    for (std::size_t i = 0; i < chars && at + 2 + 2 * i < image.size(); ++i)
        out += static_cast<char>(image[at + 2 + 2 * i]);
    return out;
}

DriveDetail ReadDriveDetail(int port) {
    DriveDetail d;
    if (!IsSlot(port)) {
        d.memoLines.emplace_back(kIdentifyFailText);
        return d;
    }
    if (DeviceSlots[static_cast<std::size_t>(port)].UsbPath) ReadUsbPath(port, d);
    else ReadSataPath(port, d);
    return d;
}

PortDialog ChoosePortDialog(int port, const PortBusy& portBusy, const PortTableHandle& tables) {
    if (port < 0 || port >= kPortCount) return PortDialog::None;
    if (portBusy && portBusy(port)) return PortDialog::BusyNote;
    const PortRecord& rec = tables.Active(port);
    if (!rec.Connected) return PortDialog::None;
    return rec.ErrorCode != 0 ? PortDialog::Failure : PortDialog::Detail;
}

std::string PortBusyNote(int port) {
    return "Port " + std::to_string(port + 1) + " is still in production; its information can be read once the run has ended.";
}

}  // namespace qx::station
