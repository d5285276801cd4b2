// Runs the discovery, transport and format paths of the library on the real
// devices of the machine it runs on (as root) and prints one line per fact,
// so a script can check them: the walker's port table, the USB disk
// interfaces with their parents, INQUIRY and READ CAPACITY of each disk,
// IDENTIFY on the SATA disks through the direct ATA route, and a partition
// plus FAT32 format of the USB disk whose serial is named.
//
//   linux_probe [--format-serial SERIAL] [--label LABEL]

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/device_io.h"
#include "platform/device_tree.h"
#include "platform/trace_sink.h"
#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/transport/device_slot.h"
#include "qxlib/format/disk_layout.h"
#include "qxlib/format/fat32_format.h"
#include "qxlib/transport/pass_through.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/discovery/usb_disks.h"
#include "qxlib/discovery/usb_topology.h"
#include "sata_paths.h"

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// Printable ASCII with the blanks at both ends cut.
std::string Text(const std::uint8_t* p, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s.push_back(p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : '.');
    const auto b = s.find_first_not_of(' ');
    const auto e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// An IDENTIFY string: words hold their two characters high byte first.
std::string AtaString(const std::uint8_t* id, int firstWord, int words) {
    std::vector<std::uint8_t> swapped;
    for (int w = firstWord; w < firstWord + words; ++w) {
        swapped.push_back(id[2 * w + 1]);
        swapped.push_back(id[2 * w]);
    }
    return Text(swapped.data(), swapped.size());
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct UsbDisk {
    std::string path;
    std::string parent;
};

int PrintPorts(std::vector<std::pair<std::string, std::string>>& serialToId) {
    qx::ClearPortTable(qx::ScanPortTable);
    const int total = qx::ScanUsbTopology();
    std::printf("ports total=%d\n", total);
    for (int i = 0; i < std::min(total, qx::kPortCount); ++i) {
        const qx::PortRecord& r = qx::ScanPortTable[static_cast<std::size_t>(i)];
        if (!r.Present) continue;
        std::printf("port %d vid=%04x pid=%04x serial=%s id=%s key=%s\n", i, r.UsbVendorId, r.UsbProductId,
                    r.UsbSerial, r.DeviceInstanceId, r.DriverKeyName);
        serialToId.emplace_back(r.UsbSerial, Lower(r.DeviceInstanceId));
    }
    return total;
}

std::vector<UsbDisk> PrintUsbDisks() {
    std::vector<qx::DiskDeviceEntry> entries(qx::kMaxDiskDevices);
    int count = qx::kMaxDiskDevices;
    const int r = qx::EnumUsbDiskInterfaces(entries, &count);
    std::printf("usbdisks rc=%d count=%d\n", r, count);
    std::vector<UsbDisk> out;
    for (int i = 0; i < count; ++i) {
        const auto& e = entries[static_cast<std::size_t>(i)];
        std::printf("usbdisk path=%s parent=%s\n", e.InterfaceDetail.DevicePath, e.ParentInstanceId);
        out.push_back({e.InterfaceDetail.DevicePath, e.ParentInstanceId});
    }
    return out;
}

// Every whole disk as the utility's scan lists it; the class word after
// "\\?\" is what the scan reads ("ide" is " IDE / SATA ").
void PrintAllDisks() {
    const auto names = qx::platform::DeviceNodes().AllDiskInterfaces();
    std::printf("alldisks count=%d\n", names ? static_cast<int>(names->size()) : -1);
    if (!names) return;
    for (const auto& n : *names) {
        qx::platform::DeviceIo& io = qx::platform::Devices();
        const bool opens = static_cast<bool>(io.Open(n, qx::platform::ShareMode::Shared).handle);
        std::printf("alldisk path=%s opens=%d\n", n.c_str(), opens ? 1 : 0);
    }
}

// The slot a disk is addressed by while the probe works on it.
void UseSlot(int slot, const std::string& path, bool usb) {
    qx::DeviceSlot* s = qx::WritableSlot(slot);
    if (!s) return;
    s->InterfacePath = path.c_str();
    s->UsbPath = usb ? 1 : 0;
    s->DirectAta = usb ? 0 : 1;
}

void PrintInquiry(const std::string& path, const std::uint8_t* inq, int rc) {
    std::printf("inquiry path=%s rc=%d vendor=\"%s\" product=\"%s\" revision=\"%s\"\n", path.c_str(), rc,
                Text(inq + 8, 8).c_str(), Text(inq + 16, 16).c_str(), Text(inq + 32, 4).c_str());
}

void PrintCapacity(const std::string& path, const std::uint8_t* cap, int rc) {
    std::printf("capacity path=%s rc=%d last_lba=%u block=%u\n", path.c_str(), rc, Be32(cap), Be32(cap + 4));
}

std::uint64_t ProbeUsbDisk(int slot, const std::string& path) {
    UseSlot(slot, path, true);
    std::uint8_t inq[40] = {};
    PrintInquiry(path, inq, qx::SCSI_Inquiry(slot, inq));
    std::vector<std::uint8_t> cap(512);
    const int rc = qx::SCSI_ReadCapacity10(slot, cap.data(), 1);
    PrintCapacity(path, cap.data(), rc);
    // The emulated USB disks answer SCSI only: an ATA command must come back
    // as a device error, never as success with empty registers.
    const std::uint8_t identify12[12] = {0xA1, 0x08, 0x0E, 0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xEC, 0x00, 0x00};
    std::vector<std::uint8_t> id(512);
    std::printf("ata-on-usb path=%s rc=%d\n", path.c_str(),
                qx::ExecATAPassThrough(path.c_str(), true, identify12, 12, id.data(), 512, false, 10));
    return rc == 1 ? (std::uint64_t{Be32(cap.data())} + 1) * Be32(cap.data() + 4) : 0;
}

void ProbeSataDisk(int slot, const std::string& path) {
    UseSlot(slot, path, false);
    std::uint8_t inq[40] = {};
    const std::uint8_t inquiry[6] = {0x12, 0, 0, 0, 40, 0};
    std::uint32_t moved = 0;
    PrintInquiry(path, inq, qx::ReadSCSICommand(path.c_str(), inquiry, 6, inq, 40, &moved));
    std::uint8_t cap[8] = {};
    const std::uint8_t readCapacity[10] = {0x25};
    PrintCapacity(path, cap, qx::ReadSCSICommand(path.c_str(), readCapacity, 10, cap, 8, &moved));
    std::vector<std::uint8_t> id(512);
    const int rc = qx::ATA_IdentifyDevice(slot, id.data(), 1);
    std::uint64_t lba48 = 0;
    for (int w = 103; w >= 100; --w) lba48 = lba48 << 16 | static_cast<std::uint64_t>(id[2 * w] | id[2 * w + 1] << 8);
    std::printf("identify path=%s rc=%d model=\"%s\" serial=\"%s\" firmware=\"%s\" lba48=%llu\n", path.c_str(), rc,
                AtaString(id.data(), 27, 20).c_str(), AtaString(id.data(), 10, 10).c_str(),
                AtaString(id.data(), 23, 4).c_str(), static_cast<unsigned long long>(lba48));
}

// What the device tree says of a disk: geometry and volumes with their use.
void PrintDiskState(const std::string& path) {
    auto& tree = qx::platform::DeviceNodes();
    if (const auto g = tree.Geometry(path))
        std::printf("geometry path=%s bytes_per_sector=%u heads=%u sectors=%u cylinders=%llu\n", path.c_str(),
                    g->bytesPerSector, g->tracksPerCylinder, g->sectorsPerTrack,
                    static_cast<unsigned long long>(g->cylinders));
    else
        std::printf("geometry path=%s none\n", path.c_str());
    const auto volumes = tree.Volumes(path);
    if (!volumes) std::printf("volumes path=%s none\n", path.c_str());
    for (const auto& v : volumes.value_or(std::vector<qx::platform::Volume>{}))
        std::printf("volume node=%s partition=%u mounted=%d system=%d\n", v.node.c_str(), v.partition,
                    v.mounted ? 1 : 0, v.systemUse ? 1 : 0);
}

// Partition and format the disk on the port whose USB serial is given.
int FormatBySerial(int slot, const std::string& serial, const std::string& label,
                   const std::vector<std::pair<std::string, std::string>>& serialToId,
                   const std::vector<UsbDisk>& disks) {
    std::string parent;
    for (const auto& [s, id] : serialToId)
        if (s == serial) parent = id;
    const auto disk = std::find_if(disks.begin(), disks.end(), [&](const UsbDisk& d) { return d.parent == parent; });
    if (parent.empty() || disk == disks.end()) {
        std::printf("format serial=%s rc=0 (no disk on a port with that serial)\n", serial.c_str());
        return 1;
    }
    const std::uint64_t bytes = ProbeUsbDisk(slot, disk->path);
    PrintDiskState(disk->path);
    const bool partitioned = bytes && qx::CreateSinglePartition(disk->path.c_str(), static_cast<std::uint32_t>(bytes / 512));
    const int formatted = partitioned ? qx::FormatDiskVolume(disk->path.c_str(), qx::FormatParams{}, label.c_str(),
                                                             qx::kPartitionStart, bytes)
                                      : 0;
    PrintDiskState(disk->path);
    std::string node;
    const bool found = qx::FindDriveLetterOfDisk(disk->path.c_str(), &node);
    std::printf("format serial=%s path=%s partition=%d rc=%d volume=%s\n", serial.c_str(), disk->path.c_str(),
                partitioned ? 1 : 0, formatted, found ? node.c_str() : "-");
    return partitioned && formatted == 1 && found ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string formatSerial, label = "RACKPROBE";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view a = argv[i];
        if (a == "--format-serial") formatSerial = argv[i + 1];
        else if (a == "--label") label = argv[i + 1];
    }
    qx::platform::SetTraceSink([](std::string_view t) { std::printf("trace: %.*s", static_cast<int>(t.size()), t.data()); });

    std::vector<std::pair<std::string, std::string>> serialToId;
    PrintPorts(serialToId);
    const auto disks = PrintUsbDisks();
    PrintAllDisks();
    int slot = 0;
    for (const auto& d : disks) ProbeUsbDisk(slot++, d.path);
    for (const auto& p : qx::probe::SataPaths()) ProbeSataDisk(slot++, p);
    std::fflush(stdout);
    if (formatSerial.empty()) return 0;
    const int rc = FormatBySerial(slot, formatSerial, label, serialToId, disks);
    std::fflush(stdout);
    return rc;
}
