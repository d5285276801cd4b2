// The production run on 1 and on 50 simulated drives (bridge and USB paths
// mixed) with every command costing its modelled time on the real clock:
// prints the wall-time ratio of the two runs (target <= 1.15), the peak
// resident memory of the 50-drive run (target < 200 MB), the CPU time per
// drive, and the idle engine's resident memory with 50 drives matched
// (target < 100 MB). An optional argument scales device time and the
// platform clock alike (0.1: ten times faster).
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/programs/program_header.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/transport/device_slot.h"
#include "sim/rack/device_time.h"
#include "sim/rack/sim_rack.h"
#include "station/identity/barcode_buffers.h"
#include "station/run/station_identity.h"
#include "station/run/run_start.h"
#include "support/sim_flash_config.h"
#include "ui/scripted_prompter.h"

namespace {

using namespace qx;

constexpr int kDrives = 50;

// The window's side of a run with nothing shown.
struct QuietStation : station::StationView {
    station::RoundControls controls;
    void LockForRun() override {}
    void RestoreAfterRun() override {}
    void SetStartEnabled(bool) override {}
    void SetRoundText(const std::string&) override {}
    void SetBatchPanelColor(std::uint32_t) override {}
    void SetElapsedText(const std::string&) override {}
    void SetWaitAnimation(bool) override {}
    void SetSafeRemoveColor(std::uint32_t) override {}
    void UpdateDrawPanel() override {}
    void ArmTimer(int, int) override {}
    void KillTimer(int) override {}
    station::RunControls ReadRunControls() override { return controls; }
    station::RoundControls ReadRoundControls() override { return controls; }
    void FormToGlobalParameter() override {}
    void ChangeGlobalParameter() override {}
    void GlobalParameterToForm() override {}
    void SaveSettings() override {}
    void ShowSerialCounters(const std::string&, const std::string&) override {}
    bool StartEnabled() override { return true; }
    void FocusStart() override {}
    void SetAutoStartTimer(bool) override {}
    void CloseWindow() override {}
    void QuitApplication() override {}
};

struct QuietPorts : station::PortView {
    void SetCaption(int, const std::string&, std::uint32_t) override {}
    void SetGauge(int, int, int) override {}
    void SetCycleText(int, const std::string&) override {}
    void SetSerialText(int, const std::string&) override {}
    void SetWwnText(int, const std::string&) override {}
    void ShowRwProgress(int, bool) override {}
    void SetRwGauge(int, std::uint32_t, std::uint32_t, std::uint32_t) override {}
};

struct QuietResults : station::ResultWriter {
    bool WriteProductionLog(station::RunInfo&) override { return true; }
    void WriteErrorDumps(const station::RunInfo&) override {}
    void CaptureWindowImage(const station::RunInfo&) override {}
};

struct MatchedPorts : station::DeviceRescan {
    void WaitDevicesReady() override {}
    void RefreshDevices() override {}
    int ConnectedCount() const override {
        int n = 0;
        for (int p = 0; p < PortCount; ++p) n += ActivePortTable[static_cast<std::size_t>(p)].Connected;
        return n;
    }
    int LastDeviceCount() const override { return ConnectedCount(); }
};

// The platform clock at the device-time scale: a wait of ms takes ms x scale
// of real time, and the time read runs that much faster, so the library's
// own waits shrink with the drives' command times.
class ScaledClock final : public platform::Clock {
public:
    explicit ScaledClock(double scale) : scale_(scale), base_(real_.NowMs()) {}
    std::uint64_t NowMs() override {
        return base_ + static_cast<std::uint64_t>(static_cast<double>(real_.NowMs() - base_) / scale_);
    }
    bool Wait(std::uint64_t ms) override {
        return real_.Wait(static_cast<std::uint64_t>(static_cast<double>(ms) * scale_));
    }
private:
    platform::SystemClock real_;
    double scale_;
    std::uint64_t base_;
};

void WriteProgramImage(const std::string& path, const char* tag) {
    std::vector<char> image(kProgramImageSize, static_cast<char>(kProgramImageFill));
    std::memcpy(image.data() + kKindTagAt, tag, 4);
    std::ofstream(path, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));
}

double ResidentMB() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

double PeakMB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

struct Bench {
    std::string folder;
    GlobalParameter settings{};
    FlashConfig config{};
    BinFileList bins{};
    station::StationState state{settings, config, bins};
    QuietStation view;
    QuietPorts ports;
    QuietResults results;
    MatchedPorts rescan;
    station::BarcodeState barcodes;
    station::IdentitySteps steps{settings, barcodes};
    station::StationIdentity identity{steps};
    ui::ScriptedPrompter prompter;
    station::LibraryStepOps ops;
    std::vector<std::string> paths;

    Bench() {
        folder = std::filesystem::temp_directory_path() / ("qxbench." + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        WriteProgramImage(folder + "/GDP.bin", kDiagnosticTag);
        WriteProgramImage(folder + "/satatest.bin", kTestTag);
        SetTestImagePath(folder + "/satatest.bin");
        state.programFolder = folder + "/";
        state.specialMode = true;
        qx::test::DescribeSimulatedNand(config);
        qx::test::DescribeSimulatedChips(config);
        settings.CheckFlashMask = 0x1F;
        settings.Channel = 4;
        settings.Bank = kSingleBankBuild ? 1 : 2;
        settings.TimeOut = 300'000;
        // The diagnostic sequence: flash module, bus, flash interface, DRAM.
        for (int item : {1, 3, 4, 5}) settings.TestItemEnable[static_cast<std::size_t>(item)] = 1;
        view.controls.checkedCount = 4;
    }
    ~Bench() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // n drives on ports 0..n-1, even ports behind a bridge, odd ones on the
    // controller's own USB interface.
    std::unique_ptr<sim::SimRack> Rack(int n) {
        auto rack = std::make_unique<sim::SimRack>();
        ClearPortTable(ActivePortTable);
        PortCount = n;
        paths.assign(static_cast<std::size_t>(n), {});
        for (int p = 0; p < n; ++p) {
            const bool usb = p % 2 == 1;
            sim::DriveConfig cfg;
            cfg.frontEnd = usb ? sim::FrontEnd::NativeUsb : sim::FrontEnd::Bridge;
            cfg.state = sim::ControllerState::Loader;
            cfg.vendorMode = true;
            cfg.busyPolls = 0;
            char path[128];
            std::snprintf(path, sizeof path, "\\\\?\\usbstor#disk&ven_qx&prod_ssd#%04d#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}", p);
            rack->AddDrive(path, cfg);
            PortRecord& rec = ActivePortTable[static_cast<std::size_t>(p)];
            rec.Present = rec.Connected = 1;
            rec.BridgeType = usb ? 10 : 4;
            CopyPortText(rec.DiskPath, path);
            DeviceSlot& slot = DeviceSlots[static_cast<std::size_t>(p)];
            slot.InterfacePath = rec.DiskPath;
            slot.UsbPath = usb ? 1 : 0;
        }
        return rack;
    }

    // Seconds of wall time for one run; false when a drive did not pass.
    bool Run(double* seconds) {
        station::RunStart engine({view, ports, results, rescan, identity, prompter, ops, state});
        const auto start = std::chrono::steady_clock::now();
        engine.ExecuteBtnClick();
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (int p = 0; p < PortCount; ++p)
            if (ActivePortTable[static_cast<std::size_t>(p)].OverallResult != kResultPass) {
                std::fprintf(stderr, "port %d failed with item %d\n", p, ActivePortTable[static_cast<std::size_t>(p)].ErrorCode);
                return false;
            }
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    if (!(scale > 0)) scale = 1.0;
    sim::SetDeviceTime({true, scale});
    ScaledClock clock(scale);
    platform::SetClock(&clock);
    if (!AllocDeviceSlotBuffers()) return 1;
    Bench bench;

    double one = 0;
    {
        auto rack = bench.Rack(1);
        sim::ScopedRack use(*rack);
        if (!bench.Run(&one)) return 1;
    }

    auto rack = bench.Rack(kDrives);
    sim::ScopedRack use(*rack);
    const double idleMB = ResidentMB();
    const double cpuBefore = CpuSeconds();
    double fifty = 0;
    if (!bench.Run(&fifty)) return 1;
    const double cpuPerDrive = (CpuSeconds() - cpuBefore) / kDrives;

    std::printf("device time scale                 %.2f\n", scale);
    std::printf("run, 1 drive                      %.2f s\n", one);
    std::printf("run, %d drives                    %.2f s\n", kDrives, fifty);
    std::printf("wall-time ratio 50/1              %.3f (target <= 1.15)\n", fifty / one);
    std::printf("peak resident, 50-drive run       %.1f MB (target < 200)\n", PeakMB());
    std::printf("CPU time per drive                %.3f s\n", cpuPerDrive);
    std::printf("idle engine, 50 drives matched    %.1f MB (target < 100)\n", idleMB);
    FreeDeviceSlotBuffers();
    platform::SetClock(nullptr);
    return 0;
}
