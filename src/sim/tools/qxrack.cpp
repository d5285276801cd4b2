// qxrack: makes and changes simulated rack folders.
//
//   qxrack create FOLDER
//   qxrack list   FOLDER
//   qxrack add    FOLDER PATH [key=value ...]   (keys as in rack.ini)
//   qxrack remove FOLDER PATH
//   qxrack break  FOLDER PATH FAULT...          (e.g. hang opcode=0x28 count=1)
//   qxrack mend   FOLDER PATH                   (drops the drive's faults)
//   qxrack plug|unplug FOLDER PATH              (to the running program, else in the folder)
//   qxrack log    FOLDER off|all|ring N         (the request log of programs run on the rack)
#include <cstdio>
#include <string>
#include <vector>

#include "sim/control/rack_control.h"
#include "sim/rack/drive_config_text.h"
#include "sim/rack/log_options_text.h"
#include "sim/rack/sim_rack.h"

namespace {

using qx::sim::SimRack;

int Usage() {
    std::fputs("usage: qxrack create|list FOLDER\n"
               "       qxrack add FOLDER PATH [key=value ...]\n"
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
    if (verb == "add") {
        qx::sim::IniSection section{"args", {}};
        for (const auto& a : args) {
            const auto eq = a.find('=');
            if (eq == std::string::npos) return Usage();
            if (!qx::sim::IsDriveConfigKey(a.substr(0, eq))) return Fail("unknown key: " + a.substr(0, eq));
            section.values.emplace_back(a.substr(0, eq), a.substr(eq + 1));
        }
        qx::sim::DriveConfig cfg;
        if (!qx::sim::ConfigFromIni(section, cfg, &error)) return Fail(error);
        rack->AddDrive(path, cfg);
    } else if (verb == "remove" || verb == "break" || verb == "mend") {
        qx::sim::SimDrive* drive = rack->Find(path);
        if (!drive) return Fail("no drive at " + path);
        if (verb == "remove") rack->RemoveDrive(path);
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
