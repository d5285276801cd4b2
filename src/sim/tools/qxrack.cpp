// qxrack: makes and changes simulated rack folders.
//
//   qxrack create FOLDER
//   qxrack list   FOLDER
//   qxrack add    FOLDER PATH [key=value ...] [--port H.P|none]
//                 (keys as in rack.ini; a USB disk goes on the next free port
//                 of the rack's USB tree, or on the one named, or on none)
//   qxrack remove FOLDER PATH                   (its port is free again)
//   qxrack break  FOLDER PATH FAULT...          (e.g. hang opcode=0x28 count=1)
//   qxrack mend   FOLDER PATH                   (drops the drive's faults)
//   qxrack plug|unplug FOLDER PATH              (to the running program, else in the folder)
//   qxrack log    FOLDER off|all|ring N         (the request log of programs run on the rack)
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim/control/rack_control.h"
#include "sim/control/rack_usb_ports.h"
#include "sim/rack/drive_config_text.h"
#include "sim/rack/log_options_text.h"
#include "sim/rack/sim_rack.h"

namespace {

using qx::sim::SimRack;

int Usage() {
    std::fputs("usage: qxrack create|list FOLDER\n"
               "       qxrack add FOLDER PATH [key=value ...] [--port H.P|none]\n"
               "       qxrack remove|mend FOLDER PATH\n"
               "       qxrack plug|unplug FOLDER PATH\n"
               "       qxrack break FOLDER PATH KIND [opcode=.. sub=.. skip=.. count=.. errno=.. ata=.. ms=..]\n"
               "       qxrack log FOLDER off|all|ring N\n",
               stderr);
    return 2;
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "qxrack: %s\n", text.c_str());
    return 1;
}

std::string Join(const std::vector<std::string>& words) {
    std::string out;
    for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
}

// A running program applies the change to its machine and sees the device
// come or go; without one the folder records it for the next program.
int PlugOrUnplug(const std::string& verb, const std::string& folder, const std::string& path) {
    std::string error;
    // The path is checked here whether or not a program listens: a running
    // program would only trace a line it cannot apply.
    std::vector<qx::sim::IniSection> sections;
    if (!qx::sim::ReadRackIni(folder, sections, &error)) return Fail(error);
    const std::string name = qx::sim::DriveSectionAt(sections, path);
    if (name.empty()) return Fail("no drive at " + path);
    if (qx::sim::UsbPortOf(sections, name).empty()) return Fail("[" + name + "] sits on no USB port");
    switch (qx::sim::SendRackCommand(folder, verb + " " + path, &error)) {
    case qx::sim::SendResult::Delivered:
        std::printf("sent to the running program: %s %s\n", verb.c_str(), path.c_str());
        return 0;
    case qx::sim::SendResult::Failed:
        return Fail(error);
    case qx::sim::SendResult::NoListener:
        break;
    }
    return qx::sim::SetPluggedInFolder(folder, path, verb == "plug", &error) ? 0 : Fail(error);
}

std::filesystem::path StateFile(const std::string& folder, const std::string& name) {
    return std::filesystem::path(folder) / (name + ".state");
}

// A USB disk goes on a port of the rack's USB tree, or no program would see
// it: the one named, or the next free one. "--port none" keeps it off the
// tree (a caller that lists it under [disks], or wants it unplugged for good).
int Add(SimRack& rack, const std::string& folder, const std::string& path, const std::vector<std::string>& args) {
    std::string error;
    qx::sim::IniSection section{"args", {}};
    std::optional<std::string> port;   // as given
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--port") {
            if (i + 1 == args.size()) return Usage();
            port = args[++i];
            continue;
        }
        const auto eq = args[i].find('=');
        if (eq == std::string::npos) return Usage();
        if (!qx::sim::IsDriveConfigKey(args[i].substr(0, eq))) return Fail("unknown key: " + args[i].substr(0, eq));
        section.values.emplace_back(args[i].substr(0, eq), args[i].substr(eq + 1));
    }
    qx::sim::DriveConfig cfg;
    if (!qx::sim::ConfigFromIni(section, cfg, &error)) return Fail(error);
    std::vector<qx::sim::IniSection> lines;
    if (!qx::sim::ReadRackIni(folder, lines, &error)) return Fail(error);
    const bool fresh = rack.Find(path) == nullptr;
    rack.AddDrive(path, cfg);
    const std::string name = rack.NameOf(path);
    // A state file left under the new drive's name (by a drive removed, or a
    // rack created over an old one) is another drive's: it must not be
    // loaded as this one's.
    std::error_code ec;
    if (fresh) std::filesystem::remove(StateFile(folder, name), ec);
    const std::string where = port && *port != "none" ? *port : "";
    const std::string placed = qx::sim::UsbPortOf(lines, name);
    bool place = false;
    if (!placed.empty()) {
        // Added again at its path: it keeps its port.
        if (port && *port != placed) return Fail("[" + name + "] sits on USB port " + placed);
    } else if (port ? *port != "none" : qx::sim::UsbDiskPath(path) && !qx::sim::ListedOffUsb(lines, name)) {
        if (!qx::sim::UsbDiskPath(path)) return Fail("a drive on a USB port needs a usbstor interface path");
        if (qx::sim::ListedOffUsb(lines, name)) return Fail("[" + name + "] is listed off the USB tree in [disks]");
        // Refused before anything is written.
        if (!qx::sim::PlaceOnUsbPort(lines, name, where, &error)) return Fail(error);
        place = true;
    }
    if (!rack.SaveState(folder, &error)) return Fail(error);
    if (!place) {
        std::printf("%s on %s\n", name.c_str(), placed.empty() ? "no USB port" : ("USB port " + placed).c_str());
        return 0;
    }
    // The save kept the [usb] lines as read; the port line goes after them.
    if (!qx::sim::ReadRackIni(folder, lines, &error)) return Fail(error);
    const auto at = qx::sim::PlaceOnUsbPort(lines, name, where, &error);
    if (!at || !qx::sim::WriteRackIni(folder, lines, &error)) return Fail(error);
    std::printf("%s on USB port %s\n", name.c_str(), at->c_str());
    return 0;
}

// The drive's section goes with the save; its port and [disks] lines go too,
// or the rack would name a drive it no longer has.
int Remove(SimRack& rack, const std::string& folder, const std::string& path) {
    std::string error;
    const std::string name = rack.NameOf(path);
    rack.RemoveDrive(path);
    if (!rack.SaveState(folder, &error)) return Fail(error);
    std::error_code ec;
    std::filesystem::remove(StateFile(folder, name), ec);
    std::vector<qx::sim::IniSection> lines;
    if (!qx::sim::ReadRackIni(folder, lines, &error)) return Fail(error);
    qx::sim::DropDriveLines(lines, name);
    return qx::sim::WriteRackIni(folder, lines, &error) ? 0 : Fail(error);
}

int Run(const std::string& verb, const std::string& folder, const std::vector<std::string>& rest) {
    std::string error;
    if (verb == "plug" || verb == "unplug") return rest.size() == 1 ? PlugOrUnplug(verb, folder, rest[0]) : Usage();
    if (verb == "create") return SimRack().SaveState(folder, &error) ? 0 : Fail(error);
    auto rack = SimRack::LoadFolder(folder, &error);
    if (!rack) return Fail(error);
    if (verb == "list") {
        for (const auto& path : rack->Paths()) {
            const auto faults = rack->Find(path)->Faults();
            std::printf("%s  %s  %zu fault(s)\n", rack->NameOf(path).c_str(), path.c_str(), faults.size());
        }
        return 0;
    }
    if (rest.empty()) return Usage();
    if (verb == "log") {
        const auto options = qx::sim::LogOptionsFromText(Join(rest));
        if (!options) return Fail("bad log setting: " + Join(rest));
        rack->SetFolderLog(*options);
        return rack->SaveState(folder, &error) ? 0 : Fail(error);
    }
    const std::string& path = rest[0];
    const std::vector<std::string> args(rest.begin() + 1, rest.end());
    if (verb == "add") return Add(*rack, folder, path, args);
    if (verb == "remove" || verb == "break" || verb == "mend") {
        qx::sim::SimDrive* drive = rack->Find(path);
        if (!drive) return Fail("no drive at " + path);
        if (verb == "remove") return Remove(*rack, folder, path);
        if (verb == "mend") drive->ClearFaults();
        if (verb == "break") {
            const auto rule = qx::sim::FaultFromText(Join(args));
            if (!rule) return Fail("bad fault: " + Join(args));
            drive->AddFault(*rule);
        }
    } else {
        return Usage();
    }
    return rack->SaveState(folder, &error) ? 0 : Fail(error);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    return Run(argv[1], argv[2], std::vector<std::string>(argv + 3, argv + argc));
}
