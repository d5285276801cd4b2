// Runs the library on drives that qxgadget serves as real USB disks (in a
// guest of scripts/gadget_check.sh) and prints one line per fact. The drive
// behind a bridge is driven on the SATA path, the controller's own USB
// interface on the USB path, both through SG_IO on the kernel's usb-storage.
//
//   gadget_probe discover BRIDGE_SERIAL USB_SERIAL
//   gadget_probe hang     BRIDGE_SERIAL USB_SERIAL   (the USB drive's first code memory write hangs)
//   gadget_probe stuck    BRIDGE_SERIAL USB_SERIAL   (a register write hangs until the drive is unplugged)
//   gadget_probe transport BRIDGE_SERIAL USB_SERIAL  (the USB drive's first register read fails on its side)
//   gadget_probe vendor   BRIDGE_SERIAL USB_SERIAL GDP_IMAGE
//   gadget_probe firmware BRIDGE_SERIAL USB_SERIAL
//   gadget_probe format   BRIDGE_SERIAL USB_SERIAL LABEL
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/trace_sink.h"
#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/discovery/bridge_type.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/discovery/usb_disks.h"
#include "qxlib/discovery/usb_topology.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/format/fat32_format.h"
#include "qxlib/programs/program_boot.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/flash_geometry.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/vendor_command.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"
#include "qxlib/vendor_access/v_access.h"

namespace {

constexpr int kSataSlot = 0;   // the drive behind the bridge
constexpr int kUsbSlot = 1;    // the controller's own USB interface
constexpr std::size_t kPage = 8 * 512;

using Bytes = std::vector<std::uint8_t>;

struct Drive {
    std::string serial;
    std::string path;     // the disk interface the enumeration gave
    int port = -1;        // the walker's port number
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::uint32_t Fnv1a(const Bytes& b) {
    std::uint32_t h = 2166136261u;
    for (const std::uint8_t c : b) h = (h ^ c) * 16777619u;
    return h;
}

void UseSlot(int slot, const std::string& path, bool usbPath) {
    qx::DeviceSlot* s = qx::WritableSlot(slot);
    s->InterfacePath = path.c_str();
    s->UsbPath = usbPath ? 1 : 0;
    s->DirectAta = 0;
}

// The walker's ports and the enumerated disks, joined by the instance ID
// of the USB device a disk hangs off: the station's port matching.
std::vector<Drive> Discover(const std::vector<std::string>& serials, bool print) {
    qx::ClearPortTable(qx::ScanPortTable);
    const int total = qx::ScanUsbTopology();
    std::vector<qx::DiskDeviceEntry> entries(qx::kMaxDiskDevices);
    int count = qx::kMaxDiskDevices;
    const int rc = qx::EnumUsbDiskInterfaces(entries, &count);
    if (print) std::printf("ports total=%d usbdisks rc=%d count=%d\n", total, rc, count);
    std::vector<Drive> out;
    for (const std::string& serial : serials) {
        Drive d{serial, {}, -1};
        for (int i = 0; i < std::min(total, qx::kPortCount); ++i) {
            const qx::PortRecord& r = qx::ScanPortTable[static_cast<std::size_t>(i)];
            if (!r.Present || serial != r.UsbSerial) continue;
            d.port = i;
            if (print)
                std::printf("port %d vid=%04x pid=%04x serial=%s id=%s\n", i, r.UsbVendorId, r.UsbProductId,
                            r.UsbSerial, r.DeviceInstanceId);
            for (int k = 0; k < count; ++k) {
                const auto& e = entries[static_cast<std::size_t>(k)];
                if (Lower(r.DeviceInstanceId) == e.ParentInstanceId) d.path = e.InterfaceDetail.DevicePath;
            }
        }
        if (print) std::printf("match serial=%s port=%d path=%s\n", serial.c_str(), d.port, d.path.c_str());
        if (print && !d.path.empty()) {
            // The bridge check reads the INQUIRY tag as a USB-path request.
            constexpr int kProbeSlot = 2;
            UseSlot(kProbeSlot, d.path, true);
            const int type = qx::GetBridgeChipType(kProbeSlot);
            std::printf("bridge serial=%s type=%d sata-bridge=%d\n", serial.c_str(), type,
                        qx::IsSataBridgeType(type) ? 1 : 0);
        }
        out.push_back(d);
    }
    return out;
}

// The simulated drives' NAND: 4 channels, 2 CEs, 8 sectors a page, 256
// pages a block, 2048 blocks a CE.
qx::FlashConfig DriveConfig() {
    qx::FlashConfig c{};
    c.FlashTypeWord = 0x1011;
    qx::DecodeFlashGeometry(c, c.FlashGeometry);
    c.FlashGeometry.BankMap = {1, 0, 3, 2, 5, 4, 7, 6};
    c.ChannelCount = 4;
    c.BankCount = 2;
    c.CeCount = 2;
    c.EccMode = 3;
    c.FlashInterface = 1;
    c.DrvCurrent = 2;
    c.SizeCode = 0x19;
    c.SizeCodeEx = 0x1A;
    qx::CopyFixedText(c.PartNumber, "NV32G08A1M");
    for (std::size_t o : {qx::kOptScramble, qx::kOptRemap, qx::kOptPartA, qx::kOptUsbLedP14, qx::kOptPageOption,
                          qx::kOptDllPhaseAdjust, qx::kOptV50Pages, qx::kOptV50BinPages})
        c.Options[o] = 1;
    qx::CopyFixedText(c.BlocksHeaderText, "LDBK BLOCKS V50");
    qx::CopyFixedText(c.ConfigHeaderText, "LDBK CONFIG V50");
    c.FwFlagsA = 0x13;
    c.FwFlagsB = 0x02;
    return c;
}

const char* Name(int slot) { return slot == kUsbSlot ? "usb" : "sata"; }

// A hung request: the kernel's time-out and reset end it with a transport
// error, and the next request finds the drive working. A code memory write
// hangs (the rack holds that fault); writes wait 10 s, where every read on
// a USB path waits 300 s.
int Hang(const std::vector<Drive>& drives) {
    UseSlot(kUsbSlot, drives[1].path, true);
    Bytes code(512, 0x5A);
    const auto t0 = std::chrono::steady_clock::now();
    const bool first = qx::VA_WriteCodeToMem(kUsbSlot, code.data(), 1, 0x200);
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0).count();
    std::uint8_t inquiry[40] = {};
    const int next = qx::SCSI_Inquiry(kUsbSlot, inquiry);
    std::printf("hang first=%d seconds=%lld next=%d vendor=\"%.8s\"\n", first ? 1 : 0, static_cast<long long>(secs),
                next, reinterpret_cast<const char*>(inquiry + 8));
    return !first && next == 1 ? 0 : 1;
}

// A request in flight when the drive is unplugged (the script unplugs it
// while a register write hangs): it fails as soon as the disk is gone, not
// at its time-out.
int Stuck(const std::vector<Drive>& drives) {
    UseSlot(kUsbSlot, drives[1].path, true);
    const auto t0 = std::chrono::steady_clock::now();
    const bool wrote = qx::VA_WriteRegister(kUsbSlot, 0xB8000010, 0x42);
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0).count();
    std::printf("stuck write=%d seconds=%lld\n", wrote ? 1 : 0, static_cast<long long>(secs));
    return wrote ? 1 : 0;
}

// A transport failure on the drive's side (the rack fails the USB drive's
// first register read) reaches the host as a phase error: the request fails
// at once and the next one works.
int Transport(const std::vector<Drive>& drives) {
    UseSlot(kUsbSlot, drives[1].path, true);
    std::uint8_t value = 0;
    const auto t0 = std::chrono::steady_clock::now();
    const bool first = qx::VA_ReadRegister(kUsbSlot, 0xB8000010, &value);
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - t0).count();
    const bool second = qx::VA_ReadRegister(kUsbSlot, 0xB8000010, &value);
    std::printf("transport first=%d seconds=%lld second=%d\n", first ? 1 : 0, static_cast<long long>(secs),
                second ? 1 : 0);
    return !first && second ? 0 : 1;
}

// Per path: the diagnostic program downloaded and started, its first
// action's status, code memory read back, then a page of every channel
// written through the program and read back.
int Vendor(const std::vector<Drive>& drives, const std::string& gdp) {
    qx::SetGdpImagePath(gdp);
    const qx::FlashConfig config = DriveConfig();
    qx::GlobalParameter settings{};
    int fails = 0;
    for (int slot : {kSataSlot, kUsbSlot}) {
        UseSlot(slot, drives[static_cast<std::size_t>(slot)].path, slot == kUsbSlot);
        const char* n = Name(slot);
        std::printf("vendor path=%s feature=%d\n", n, qx::VA_SetVendorFeature(slot, true) ? 1 : 0);
        std::uint8_t reg = 0;
        const bool regWrite = qx::VA_WriteRegister(slot, 0xB8000010, static_cast<std::uint8_t>(0x40 + slot));
        const bool regRead = qx::VA_ReadRegister(slot, 0xB8000010, &reg);
        std::printf("vendor path=%s register-write=%d register-read=%d value=%02x\n", n, regWrite ? 1 : 0,
                    regRead ? 1 : 0, reg);
        Bytes copy(128 * 1024);
        std::uint8_t flags = 0;
        const bool booted = qx::BootGdpProgram(slot, config, settings, copy, &flags, 0);
        std::uint8_t status = 0;
        const bool ran = booted && qx::VA_GDP_ExecProg(slot, 1, flags, &status, true);
        std::printf("vendor path=%s boot=%d action1=%d status=%02x\n", n, booted ? 1 : 0, ran ? 1 : 0, status);
        std::uint8_t polled = 0;
        std::printf("vendor path=%s poll=%d status=%02x\n", n, qx::VA_ST_WaitReturn(slot, &polled, false) ? 1 : 0, polled);
        Bytes code(4 * 512);
        const bool read = qx::VA_ReadCodeFromMem(slot, code.data(), 4, 0);
        std::printf("vendor path=%s code-read=%d matches-download=%d\n", n, read ? 1 : 0,
                    read && std::equal(code.begin(), code.end(), copy.begin()) ? 1 : 0);
        Bytes pages(4 * kPage);
        for (std::size_t i = 0; i < pages.size(); ++i) pages[i] = static_cast<std::uint8_t>(i * 31 + (i / kPage) * 13 + slot * 7 + 1);
        const bool wrote = qx::VA_WriteFlashPages(slot, config, 4, 0, 21, 6, 3, 1, pages, 32, 8);
        Bytes back(4 * kPage, 0xEE);
        const bool readBack = qx::VA_ReadFlashPages(slot, config, 4, 0, 21, 6, 3, 1, back, 8, false);
        for (std::uint8_t ch = 0; ch < 4; ++ch)
            std::printf("flash path=%s ch=%u ce=0 block=21 page=6 fnv=%08x\n", n, ch,
                        Fnv1a(Bytes(pages.begin() + ch * kPage, pages.begin() + (ch + 1) * kPage)));
        std::printf("flash path=%s write=%d read=%d same=%d\n", n, wrote ? 1 : 0, readBack ? 1 : 0,
                    back == pages ? 1 : 0);
        fails += booted && ran && status == 0x0E && wrote && readBack && back == pages ? 0 : 1;
    }
    return fails ? 1 : 0;
}

std::string Node(const std::string& path) {
    std::error_code ec;
    return std::filesystem::canonical(path, ec).string();
}

// Back to the loader, then into the firmware: the USB drive leaves the bus
// while it boots and comes back as a new disk; the bridge's drive signs
// the tunnel's reply. Then what the firmware reports.
int Firmware(const std::vector<Drive>& drives) {
    const qx::FlashConfig config = DriveConfig();
    int fails = 0;
    for (int slot : {kSataSlot, kUsbSlot}) {
        const std::string& path = drives[static_cast<std::size_t>(slot)].path;
        UseSlot(slot, path, slot == kUsbSlot);
        const char* n = Name(slot);
        const std::string before = Node(path);
        const bool loader = qx::SwitchVendorMode(slot, 0);
        qx::VA_SetVendorFeature(slot, true);
        Bytes page(qx::FirmwareModePageSize(config));
        const int rc = qx::EnterFirmwareMode(slot, config, page);
        const std::string after = Node(path);
        std::printf("firmware path=%s loader=%d rc=%d node-before=%s node-after=%s loader-now=%d\n", n, loader ? 1 : 0,
                    rc, before.c_str(), after.c_str(), qx::IsLoaderDevice(slot) ? 1 : 0);
        std::printf("firmware path=%s capacity=%u\n", n, qx::GetDriveCapacity(slot));
        if (slot == kSataSlot) {
            Bytes id(512);
            const bool ok = qx::IdentifyDevice(slot, id.data(), 1);
            qx::SwapBytePairs(id.data() + 54, 40);
            std::string model(id.begin() + 54, id.begin() + 94);
            model.erase(model.find_last_not_of(' ') + 1);
            std::printf("firmware path=%s identify=%d model=\"%s\" capacity=%u\n", n, ok ? 1 : 0, model.c_str(),
                        qx::GetCapacityFromIdentify(slot));
        }
        fails += rc == 1 ? 0 : 1;
    }
    return fails ? 1 : 0;
}

int Format(const std::vector<Drive>& drives, const std::string& label) {
    const Drive& d = drives[0];
    UseSlot(kSataSlot, d.path, false);
    const std::uint32_t sectors = qx::GetCapacitySectors(kSataSlot);
    const bool partitioned = sectors && qx::CreateSinglePartition(d.path.c_str(), sectors);
    const int formatted = partitioned ? qx::FormatDiskVolume(d.path.c_str(), qx::FormatParams{}, label.c_str(),
                                                             qx::kPartitionStart, std::uint64_t{sectors} * 512)
                                      : 0;
    std::string node;
    const bool found = qx::FindDriveLetterOfDisk(d.path.c_str(), &node);
    std::printf("format serial=%s sectors=%u partition=%d rc=%d volume=%s\n", d.serial.c_str(), sectors,
                partitioned ? 1 : 0, formatted, found ? node.c_str() : "-");
    return partitioned && formatted == 1 && found ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: gadget_probe discover|hang|stuck|transport|vendor|firmware|format BRIDGE_SERIAL USB_SERIAL [ARG]\n", stderr);
        return 2;
    }
    const std::string step = argv[1];
    const std::string arg = argc > 4 ? argv[4] : "";
    qx::platform::SetTraceSink([](std::string_view t) { std::printf("trace: %.*s", static_cast<int>(t.size()), t.data()); });
    const auto drives = Discover({argv[2], argv[3]}, step == "discover");
    int rc = 1;
    if (drives[0].path.empty() || drives[1].path.empty()) std::printf("%s: a drive has no disk\n", step.c_str());
    else if (step == "discover") rc = 0;
    else if (step == "hang") rc = Hang(drives);
    else if (step == "stuck") rc = Stuck(drives);
    else if (step == "transport") rc = Transport(drives);
    else if (step == "vendor") rc = Vendor(drives, arg);
    else if (step == "firmware") rc = Firmware(drives);
    else if (step == "format") rc = Format(drives, arg);
    std::fflush(stdout);
    return rc;
}
