// Runs the station's device rescan on the real devices of the machine it
// runs on (as root) and prints one line per fact, so a script can check
// them: the udev monitor's removals and arrivals while a hub is switched off
// and on again, the rescan timer they arm and the connected count of the
// refresh it runs; then safe removal of one disk, first refused while a
// file is open on its mounted file system, then done. Without --hub the hub
// is left alone; without --remove-serial only the first refresh runs.
//
//   hotplug_probe [--hub SYSNAME] [--remove-serial SERIAL --mount-dir DIR]
#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/device_events.h"
#include "platform/device_tree.h"
#include "platform/trace_sink.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/settings_switches.h"
#include "station/devices/port_rescan.h"
#include "station/views/rescan_window.h"
#include "station/views/station_view.h"
#include "ui/scripted_prompter.h"

namespace {

using namespace qx;

class ProbeView final : public station::StationView {
public:
    void LockForRun() override {}
    void RestoreAfterRun() override {}
    void SetStartEnabled(bool) override {}
    void SetRoundText(const std::string&) override {}
    void SetBatchPanelColor(std::uint32_t) override {}
    void SetElapsedText(const std::string&) override {}
    void SetWaitAnimation(bool) override {}
    void SetSafeRemoveColor(std::uint32_t) override {}
    void UpdateDrawPanel() override {}
    void ArmTimer(int id, int ms) override {
        std::printf("timer %d %d\n", id, ms);
        timerMs = ms;
    }
    void KillTimer(int) override { timerMs = -1; }
    station::RunControls ReadRunControls() override { return {}; }
    station::RoundControls ReadRoundControls() override { return {}; }
    // What a run asks of the window; the probe runs none.
    void FormToGlobalParameter() override {}
    void ChangeGlobalParameter() override {}
    void GlobalParameterToForm() override {}
    void SaveSettings() override {}
    void ShowSerialCounters(const std::string&, const std::string&) override {}
    bool StartEnabled() override { return false; }
    void FocusStart() override {}
    void SetAutoStartTimer(bool) override {}
    void CloseWindow() override {}
    void QuitApplication() override {}
    int timerMs = -1;
};

class ProbeWindow final : public station::RescanWindow {
public:
    bool Busy() const override { return false; }
    bool StartAllowed() const override { return true; }
    bool FlashAutoDetectRunning() const override { return false; }
    void SetInterfaceWord(const std::string&) override {}
    void ClearPortTexts(int) override {}
    void StartAutoExecute() override {}
};

bool WriteFile(const std::string& path, const char* text) {
    std::ofstream out(path);
    out << text;
    return static_cast<bool>(out.flush());
}

// Events for up to ms, each printed and handed to the rescan; then, when
// the rescan armed its timer, the wait for it and the refresh it runs.
void Events(platform::DeviceEventSource& source, station::PortRescan& rescan, ProbeView& view, int ms) {
    const std::uint64_t end = platform::TickMs() + static_cast<std::uint64_t>(ms);
    while (platform::TickMs() < end) {
        pollfd p{source.Descriptor(), POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0) continue;
        for (const auto& e : source.ReadEvents()) {
            std::printf("event %s %s\n", e.kind == platform::DeviceEventKind::Arrival ? "add" : "remove", e.device.c_str());
            rescan.OnDeviceEvent(e);
        }
    }
    if (view.timerMs < 0) return;
    platform::SleepMs(static_cast<std::uint64_t>(view.timerMs));
    view.timerMs = -1;
    rescan.RefreshDevices();
    std::printf("refresh connected=%d\n", rescan.LastDeviceCount());
}

// The ports a refresh listed, with their drives' USB serials.
void PrintListed() {
    for (int p = 0; p < station::ScannedPorts(); ++p) {
        const auto i = static_cast<std::size_t>(p);
        if (ActivePortTable[i].Connected) std::printf("listed port=%d serial=%s\n", p, ScanPortTable[i].UsbSerial);
    }
}

// A disk with a partition table carries its file system in partition 1.
bool MountVolume(const std::string& disk, const std::string& dir) {
    if (::mount(disk.c_str(), dir.c_str(), "vfat", 0, nullptr) == 0) return true;
    char* node = ::realpath(disk.c_str(), nullptr);
    const std::string partition = node ? std::string(node) + "1" : disk + "-part1";
    std::free(node);
    return ::mount(partition.c_str(), dir.c_str(), "vfat", 0, nullptr) == 0;
}

bool Mounted(const std::string& dir) {
    std::ifstream mounts("/proc/mounts");
    std::string device, at, rest;
    while (mounts >> device >> at && std::getline(mounts, rest))
        if (at == dir) return true;
    return false;
}

int PortOfSerial(const std::string& serial) {
    // The USB strings stay in the scan table; the active one has the match.
    for (int p = 0; p < station::ScannedPorts(); ++p) {
        const auto i = static_cast<std::size_t>(p);
        if (ActivePortTable[i].Connected && serial == ScanPortTable[i].UsbSerial) return p;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string hub, serial, mountDir;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view a = argv[i];
        if (a == "--hub") hub = argv[i + 1];
        else if (a == "--remove-serial") serial = argv[i + 1];
        else if (a == "--mount-dir") mountDir = argv[i + 1];
    }
    if (serial.empty() != mountDir.empty()) {
        std::fputs("usage: hotplug_probe [--hub SYSNAME] [--remove-serial SERIAL --mount-dir DIR]\n", stderr);
        return 2;
    }
    platform::SetTraceSink([](std::string_view t) { std::printf("trace: %.*s", static_cast<int>(t.size()), t.data()); });
    // The emulated disks carry no known bridge tag: count them as bridges.
    EnNoCheckBridge = 1;

    auto source = platform::OpenDeviceEvents();
    std::printf("monitor %s\n", source ? "ok" : "failed");
    if (!source) return 1;
    GlobalParameter settings{};
    FlashConfig flash{};
    ProbeView view;
    ProbeWindow window;
    ui::ScriptedPrompter prompter;
    station::BarcodeState barcodes;
    const station::MesClient mes;
    station::PortRescan rescan({settings, flash, view, window, prompter, barcodes, mes});
    rescan.RefreshDevices();
    std::printf("refresh connected=%d\n", rescan.LastDeviceCount());
    PrintListed();

    if (!hub.empty()) {
        const std::string authorized = "/sys/bus/usb/devices/" + hub + "/authorized";
        std::printf("hub off %s\n", WriteFile(authorized, "0") ? "ok" : "failed");
        Events(*source, rescan, view, 3000);
        std::printf("hub on %s\n", WriteFile(authorized, "1") ? "ok" : "failed");
        Events(*source, rescan, view, 4000);
    }
    if (serial.empty()) return 0;

    // Safe removal of one disk: its file system mounted and a file open on
    // it first (a veto naming the mount point), then closed.
    const int port = PortOfSerial(serial);
    if (port < 0) {
        std::printf("no connected port with serial %s\n", serial.c_str());
        return 1;
    }
    const PortRecord& rec = ActivePortTable[static_cast<std::size_t>(port)];
    // The image carries a file system on the whole disk.
    const std::string disk = rec.DiskPath;
    const bool mounted = MountVolume(disk, mountDir);
    std::printf("mount %s\n", mounted ? "ok" : std::strerror(errno));
    const int fd = ::open((mountDir + "/held.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    const std::uint32_t devinst = rec.ParentDevInst;
    std::printf("veto serial=%s text=%s\n", serial.c_str(), platform::DeviceNodes().RemoveDevice(devinst).c_str());
    if (fd >= 0) ::close(fd);
    station::SafeRemoveDeviceThread(&devinst);
    std::printf("removed serial=%s\n", serial.c_str());
    Events(*source, rescan, view, 3000);
    std::printf("node %s\n", ::access(disk.c_str(), F_OK) == 0 ? "present" : "gone");
    std::printf("mount %s\n", Mounted(mountDir) ? "left" : "gone");
    return 0;
}
