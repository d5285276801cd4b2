#include "sim/rack/sim_machine.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#include "platform/device_io.h"
#include "platform/file_bytes.h"
#include "platform/device_tree.h"
#include "platform/usb_tree.h"
#include "sim/rack/ini_text.h"
#include "sim/rack/rack_places.h"
#include "sim/rack/rack_volumes.h"
#include "sim/rack/usb_device_of.h"

namespace qx::sim {
namespace {

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

// The disk-drive ID a usbstor interface path belongs to:
// "\\?\usbstor#DISK#TAIL#{class}" → "USBSTOR\DISK\TAIL".
std::optional<std::string> DeviceIdOfPath(const std::string& path) {
    const std::string lower = [&] {
        std::string t = path;
        for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return t;
    }();
    const auto start = lower.find("usbstor#");
    if (start == std::string::npos) return std::nullopt;
    const auto disk = start + 8;
    const auto hash1 = path.find('#', disk);
    const auto hash2 = hash1 == std::string::npos ? hash1 : path.find('#', hash1 + 1);
    if (hash2 == std::string::npos || hash1 == disk || hash2 == hash1 + 1) return std::nullopt;
    return "USBSTOR\\" + path.substr(disk, hash1 - disk) + "\\" + path.substr(hash1 + 1, hash2 - hash1 - 1);
}

bool ValidPort(const std::map<int, int>& hubPorts, int hub, int port) {
    const auto it = hubPorts.find(hub);
    return it != hubPorts.end() && port <= it->second;
}

}  // namespace

std::unique_ptr<SimMachine> SimMachine::LoadFolder(const std::string& folder, std::string* error) {
    auto machine = std::make_unique<SimMachine>();
    machine->rack_ = SimRack::LoadFolder(folder, error);
    if (!machine->rack_) return nullptr;

    const auto text = platform::ReadFileBytes(std::filesystem::path(folder) / "rack.ini");
    if (!text) return Fail(error, "cannot read " + (std::filesystem::path(folder) / "rack.ini").string()), nullptr;
    std::map<std::string, std::string> pathOf;   // section name → drive path
    for (const auto& path : machine->rack_->Paths()) pathOf[machine->rack_->NameOf(path)] = path;

    std::map<int, int> hubPorts;   // hub id → port count
    for (const IniSection& section : ParseIni(*text)) {
        if (section.name == "disks") {
            for (const auto& [key, name] : section.values) {
                const auto drive = pathOf.find(name);
                if (key != "disk" || drive == pathOf.end())
                    return Fail(error, "[disks] bad disk \"" + name + "\""), nullptr;
                machine->devices_.AddDisk(drive->second);
            }
            continue;
        }
        if (section.name != "usb") continue;
        for (const auto& [key, value] : section.values) {
            if (key == "root") {
                const std::optional<int> ports = HubPortCount(value);
                if (!ports) return Fail(error, "[usb] bad root \"" + value + "\": " + kHubPortCountWhy), nullptr;
                hubPorts[machine->usb_.AddRootHub(*ports)] = *ports;
            } else if (key == "hub") {
                const auto colon = value.find(':');
                const std::optional<int> ports =
                    colon == std::string::npos ? std::nullopt : HubPortCount(value.substr(colon + 1));
                const auto at = colon == std::string::npos ? std::nullopt : ParseHubPort(value.substr(0, colon));
                if (!at || !ValidPort(hubPorts, at->first, at->second))
                    return Fail(error, "[usb] bad hub \"" + value + "\": no such port"), nullptr;
                const auto [parent, port] = *at;
                if (!ports) return Fail(error, "[usb] bad hub \"" + value + "\": " + kHubPortCountWhy), nullptr;
                hubPorts[machine->usb_.PlugHub(parent, port, *ports)] = *ports;
            } else if (key == "port") {
                std::istringstream words(value);
                std::string where, name, state;
                words >> where >> name >> state;
                const auto at = ParseHubPort(where);
                if (!at || !ValidPort(hubPorts, at->first, at->second) || !(state.empty() || state == "unplugged"))
                    return Fail(error, "[usb] bad port \"" + value + "\""), nullptr;
                const auto [hub, port] = *at;
                const auto drive = pathOf.find(name);
                if (drive == pathOf.end()) return Fail(error, "[usb] no drive [" + name + "]"), nullptr;
                const auto deviceId = DeviceIdOfPath(drive->second);
                if (!deviceId)
                    return Fail(error, "[" + name + "] a drive on a USB port needs a usbstor interface path"), nullptr;
                const DriveConfig& cfg = machine->rack_->Find(drive->second)->Config();
                SimUsbDevice usb = UsbDeviceOf(cfg);
                usb.driverKey = "{36fc9e60-c465-11cf-8056-444553540000}\\" + name;
                const std::string instanceId = MakeUsbStorNames(usb, cfg.serial).usbInstanceId;
                machine->devices_.AddDevice(usb.driverKey, instanceId);
                machine->AddPlugPoint(drive->second, {hub, port, std::move(usb), *deviceId, instanceId, false});
                if (state.empty()) machine->Plug(drive->second);
                else machine->rack_->SetUnplugged(drive->second, true);
            }
        }
    }
    SimMachine* self = machine.get();
    machine->devices_.OnRemoved([self](const std::string& path) { self->Unplug(path); });
    // A reread finds the partitions the drive's first sector now lists.
    machine->devices_.OnReread([self](const std::string& path) -> std::optional<std::vector<platform::Volume>> {
        const SimDrive* drive = self->rack_->Find(path);
        if (!drive) return std::nullopt;
        return VolumesOfDriveTable(path, *drive);
    });
    return machine;
}

void SimMachine::Install() {
    platform::SetDevices(rack_.get());
    platform::SetUsbHubs(&usb_);
    platform::SetDeviceTree(&devices_);
}

void SimMachine::Uninstall() {
    platform::SetDevices(nullptr);
    platform::SetUsbHubs(nullptr);
    platform::SetDeviceTree(nullptr);
}

std::unique_ptr<SimMachine> InstallBackendFromEnvironment(bool* simulated, std::string* error) {
    const char* folder = std::getenv("QX_SIM_RACK");
    *simulated = folder != nullptr && *folder != '\0';
    if (!*simulated) return nullptr;
    auto machine = SimMachine::LoadFolder(folder, error);
    if (!machine) return nullptr;
    // A program asked to leave its requests in a file keeps every one of them.
    const char* requests = std::getenv("QX_SIM_REQUEST_LOG");
    if (requests != nullptr && *requests != '\0' && !machine->Rack().Log().Enabled())
        machine->Rack().Log().Configure({.keep = true});
    machine->Install();
    return machine;
}

}  // namespace qx::sim
