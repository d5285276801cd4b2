#include "utility/device_scan.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/device_tree.h"
#include "qxlib/base/debug_print.h"
#include "qxlib/base/switches.h"
#include "qxlib/discovery/bridge_type.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/slot_transfer.h"
#include "qxlib/transport/vendor_command.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "utility/ata_identify.h"
#include "utility/firmware_signature.h"

namespace qx::utility {
namespace {

using PathBuffer = std::array<char, kPathSize>;

struct PathClass {
    const char* word;
    const char* text;
    int bus;
};

constexpr std::uint8_t kBridgeTransferMode = 1;   // the type 1 bridge needs the vendor PIO tunnel
constexpr std::uint8_t kDefaultTransferMode = 2;
constexpr std::size_t kInquiryVendorAt = 8, kInquiryVendorLength = 8;
constexpr std::size_t kInquiryProductAt = 16, kInquiryProductLength = 16;

// The first class word the path holds decides; none: not a disk we probe.
const PathClass* Classify(std::string_view path, bool isWindows8) {
    static constexpr PathClass kIde{"ide", kIdeSataText, kBusIdeSata};
    static constexpr PathClass kScsi{"scsi", kScsiText, kBusScsi};
    static constexpr PathClass kUsb{"usb", kUsbText, kBusUsb};
    static constexpr PathClass kSbp2{"sbp2", kSbp2Text, kBusUsb};
    if (path.find("ide") != std::string_view::npos) return &kIde;
    if (path.find("scsi") != std::string_view::npos) return isWindows8 ? &kIde : &kScsi;
    if (path.find("usb") != std::string_view::npos) return &kUsb;
    if (path.find("sbp2") != std::string_view::npos) return &kSbp2;
    return nullptr;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A field copied into a zeroed 80-byte buffer: it ends at its length or its first NUL.
std::string Field(const std::uint8_t* at, std::size_t length) {
    std::array<char, 80> b{};
    std::memcpy(b.data(), at, std::min(length, b.size() - 1));
    return b.data();
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string LetterSuffix(const char* path) {
    std::string node;
    if (!FindDriveLetterOfDisk(path, &node) || node.empty()) return {};
    return " (" + node + ":)";
}

DeviceRow MakeRow(int r, const std::string& model, const std::string& serial, const std::string& firmware,
                  const char* text) {
    DeviceRow row;
    row.Entry = r;
    row.Columns[kColDisk] = std::to_string(r + 1);
    row.Columns[kColModel] = Trim(model);
    row.Columns[kColSerial] = Trim(serial);
    row.Columns[kColFirmware] = firmware;
    row.Columns[kColCapacity] = std::to_string(GetCapacityMB(r) >> 10);
    row.Columns[kColInterface] = text;
    return row;
}

DeviceRow IdentifyRow(int r, const DeviceInfoEntry& e, const char* text) {
    const std::uint8_t* id = e.Identify.data();
    return MakeRow(r, Field(id + kModelAt, kModelLength), Field(id + kSerialAt, kSerialLength),
                   Field(id + kFirmwareAt, kFirmwareLength), text);
}

std::string IdentifyLine(const DeviceInfoEntry& e, const char* text) {
    const std::uint8_t* id = e.Identify.data();
    return std::string("<<") + text + ">> " + " " + Trim(Field(id + kModelAt, kModelLength)) + " " +
           Trim(Field(id + kSerialAt, kSerialLength));
}

void CopyPath(DeviceInfoEntry& e, const PathBuffer& path, DeviceSlot& slot) {
    e.Path = path;
    slot.InterfacePath = e.Path.data();
}

class Scan {
public:
    Scan(DeviceTable& entries, const ScanOptions& options) : entries_(entries), options_(options) {}

    DeviceListModel Run() {
        const std::vector<std::string> found = EnumDiskInterfaces();
        DebugPrint("nDevice = %d", static_cast<int>(found.size()));
        paths_ = std::make_unique<PathBuffer[]>(found.size() + 1);
        for (std::size_t q = 0; q < found.size(); ++q) {
            if (r_ >= kMaxDevices) {
                DebugPrint("Device list full: %s skipped", found[q].c_str());
                continue;
            }
            const std::string lower = Lower(found[q]);
            std::memcpy(paths_[q].data(), lower.data(), std::min(lower.size(), kPathSize - 1));
            const PathClass* cls = Classify(lower, options_.IsWindows8);
            if (cls == nullptr) continue;
            if (cls->bus == kBusUsb)
                ProbeUsb(paths_[q], cls->text);
            else
                ProbeDirect(paths_[q], static_cast<std::uint8_t>(q), *cls);
        }
        // A probed but unlisted index does not keep this scan's path.
        for (int i = r_; i < kMaxDevices; ++i) {
            DeviceSlot& s = DeviceSlots[static_cast<std::size_t>(i)];
            for (std::size_t q = 0; q < found.size(); ++q)
                if (s.InterfacePath == paths_[q].data())
                    s.InterfacePath = entries_[static_cast<std::size_t>(i)].Path.data();
        }
        return std::move(list_);
    }

private:
    DeviceInfoEntry& Entry() { return entries_[static_cast<std::size_t>(r_)]; }
    // The probe's tunnel: the slot's own, and the process-wide switch that
    // keeps the last probed drive's value after the scan.
    void UseTransferMode(std::uint8_t mode) {
        TransferMode = mode;
        SetSlotTransferMode(r_, mode);
    }
    DeviceSlot& Slot() { return DeviceSlots[static_cast<std::size_t>(r_)]; }

    void ProbeDirect(const PathBuffer& path, std::uint8_t q, const PathClass& cls) {
        DeviceSlot& slot = Slot();
        slot.InterfacePath = path.data();
        slot.UsbPath = 0;
        slot.DirectAta = cls.bus == kBusIdeSata ? 1 : 0;
        DebugPrint(cls.bus == kBusIdeSata ? "DEVICE_IDE" : "DEVICE_SCSI");
        UseTransferMode(kDefaultTransferMode);
        if (!WaitFirmwareSignature(r_)) return;
        DeviceInfoEntry& e = Entry();
        e.BusType = cls.bus;
        std::array<std::uint8_t, kIdentifySize> identify{};
        GetDeviceIdentify(path.data(), q, cls.bus, identify.data(), static_cast<int>(identify.size()));
        e.Identify = identify;
        e.TransferMode = TransferModeOf(r_);
        CopyPath(e, path, slot);
        const std::string suffix = cls.bus == kBusIdeSata ? LetterSuffix(path.data()) : std::string();
        list_.Rows.push_back(IdentifyRow(r_, e, cls.text));
        list_.Lines.push_back(IdentifyLine(e, cls.text) + suffix);
        ++r_;
    }

    void ProbeUsb(const PathBuffer& path, const char* text) {
        DebugPrint("DEVICE_USB");
        UseTransferMode(kDefaultTransferMode);
        DeviceSlot& slot = Slot();
        slot.InterfacePath = path.data();
        slot.UsbPath = 1;
        slot.DirectAta = 0;
        const int bridge = GetBridgeChipType(r_);
        if (bridge == kBridgeUnknown) return;
        DeviceInfoEntry& e = Entry();
        e.BusType = kBusUsb;
        if (IsSataBridgeType(bridge)) {
            slot.UsbPath = 0;
            if (bridge == kBridgeQ461) UseTransferMode(kBridgeTransferMode);
            std::array<std::uint8_t, kIdentifySize> identify{};
            if (IdentifyDevice(r_, identify.data(), 1)) {
                for (const auto& [at, length] : {std::pair{kModelAt, kModelLength}, std::pair{kSerialAt, kSerialLength},
                                                 std::pair{kFirmwareAt, kFirmwareLength}}) {
                    std::copy_n(identify.begin() + static_cast<std::ptrdiff_t>(at), length,
                                e.Identify.begin() + static_cast<std::ptrdiff_t>(at));
                    SwapBytePairs(e.Identify.data() + at, length);
                }
                const std::string suffix = LetterSuffix(path.data());
                list_.Rows.push_back(IdentifyRow(r_, e, kUsbSataText));
                list_.Lines.push_back(IdentifyLine(e, kUsbSataText) + suffix);
            }
        } else {
            std::array<std::uint8_t, 64> inquiry{};
            if (SCSI_Inquiry(r_, inquiry.data()) == 1) {
                e.InquiryVendor = {};
                e.InquiryProduct = {};
                std::memcpy(e.InquiryVendor.data(), inquiry.data() + kInquiryVendorAt, kInquiryVendorLength);
                std::memcpy(e.InquiryProduct.data(), inquiry.data() + kInquiryProductAt, kInquiryProductLength);
                const std::string vendor = Trim(e.InquiryVendor.data());
                const std::string product = Trim(e.InquiryProduct.data());
                const std::string suffix = LetterSuffix(path.data());
                // Listed with its INQUIRY names, so that a device on the
                // controller's own USB interface can be selected and read.
                list_.Rows.push_back(MakeRow(r_, vendor + " " + product, "", "", text));
                list_.Lines.push_back(std::string("<<") + text + ">> " + " " + vendor + " " + product + suffix);
            }
        }
        e.TransferMode = TransferModeOf(r_);
        CopyPath(e, path, slot);
        ++r_;
    }

    DeviceTable& entries_;
    const ScanOptions& options_;
    std::unique_ptr<PathBuffer[]> paths_;
    DeviceListModel list_;
    int r_ = 0;
};

}  // namespace

std::vector<std::string> EnumDiskInterfaces() {
    auto found = platform::DeviceNodes().AllDiskInterfaces();
    if (!found) return {};
    if (found->size() > static_cast<std::size_t>(kMaxPaths)) {
        for (std::size_t i = kMaxPaths; i < found->size(); ++i)
            DebugPrint("Too many disk interfaces: %s skipped", (*found)[i].c_str());
        found->resize(kMaxPaths);
    }
    return std::move(*found);
}

DeviceListModel ScanDevices(DeviceTable& entries, const ScanOptions& options) { return Scan(entries, options).Run(); }

int RescanDeviceTree(const std::function<int()>& rescan) {
    const int error = rescan ? rescan() : 0;
    if (error == 0) return 1;
    std::printf("CM_Reenumerate_DevNode failed: %x\n", static_cast<unsigned>(error));
    std::fflush(stdout);
    return 0;
}

}  // namespace qx::utility
