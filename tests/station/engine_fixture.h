// The run engine with the window's side recorded: a station view and port
// view that log every call (and check it arrives on the window thread), a
// result writer that logs its calls, a rescan over the ports the test
// connects, the scripted prompter and a scripted drive; on the virtual clock
// with a fresh program folder.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/programs/program_paths.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/transport/device_slot.h"
#include "station/identity/barcode_buffers.h"
#include "station/run/station_identity.h"
#include "station/run/run_start.h"
#include "station/scripted_ops.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::test {

// A bank total both builds accept.
inline constexpr std::uint8_t kBuildBanks = kSingleBankBuild ? 1 : 2;

// The tests' window thread needs an application for its event loops.
inline void EnsureQtApp() {
    static int argc = 1;
    static char name[] = "qx_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

inline void ExpectWindowThread() {
    EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread()) << "a window call off the window thread";
}

class RecordingStationView : public station::StationView {
public:
    std::vector<std::string> events;
    station::RoundControls controls;
    bool startEnabled = true;
    std::function<void(const std::string&)> onEvent;

    void Log(const std::string& e) {
        ExpectWindowThread();
        events.push_back(e);
        if (onEvent) onEvent(e);
    }
    bool Has(const std::string& e) const { return std::find(events.begin(), events.end(), e) != events.end(); }
    int CountOf(const std::string& e) const { return static_cast<int>(std::count(events.begin(), events.end(), e)); }

    void LockForRun() override { Log("Lock"); }
    void RestoreAfterRun() override { Log("Restore"); }
    void SetStartEnabled(bool e) override {
        startEnabled = e;
        Log(e ? "Start on" : "Start off");
    }
    void SetRoundText(const std::string& t) override { Log("Round " + t); }
    void SetBatchPanelColor(std::uint32_t c) override { Log("Batch " + std::to_string(c)); }
    void SetElapsedText(const std::string& t) override { Log("Elapsed " + t); }
    void SetWaitAnimation(bool r) override { Log(r ? "Wait on" : "Wait off"); }
    void SetSafeRemoveColor(std::uint32_t c) override { Log("SafeRm " + std::to_string(c)); }
    void UpdateDrawPanel() override { Log("UpdateDrawPanel"); }
    void ArmTimer(int id, int ms) override { Log("Arm " + std::to_string(id) + " " + std::to_string(ms)); }
    void KillTimer(int id) override { Log("Kill " + std::to_string(id)); }
    station::RunControls ReadRunControls() override { return controls; }
    station::RoundControls ReadRoundControls() override { return controls; }
    void FormToGlobalParameter() override { Log("FormToGlobalParameter"); }
    void ChangeGlobalParameter() override { Log("ChangeGlobalParameter"); }
    void GlobalParameterToForm() override { Log("GlobalParameterToForm"); }
    void SaveSettings() override { Log("SaveSettings"); }
    void ShowSerialCounters(const std::string& s, const std::string& u) override { Log("Counters " + s + " " + u); }
    bool StartEnabled() override { return startEnabled; }
    void FocusStart() override { Log("Focus"); }
    void SetAutoStartTimer(bool e) override { Log(e ? "Auto on" : "Auto off"); }
    void CloseWindow() override { Log("Close"); }
    void QuitApplication() override { Log("Quit"); }
};

class RecordingPortView : public station::PortView {
public:
    std::vector<std::string> events[kPortCount];
    void Log(int port, const std::string& e) {
        ExpectWindowThread();
        events[port].push_back(e);
    }
    void SetCaption(int p, const std::string& t, std::uint32_t c) override { Log(p, "Caption " + t + " " + std::to_string(c)); }
    void SetGauge(int p, int w, int v) override { Log(p, "Gauge " + std::to_string(w) + " " + std::to_string(v)); }
    void SetCycleText(int p, const std::string& t) override { Log(p, "Cycle " + t); }
    void SetSerialText(int p, const std::string& t) override { Log(p, "Serial " + t); }
    void SetWwnText(int p, const std::string& t) override { Log(p, "Wwn " + t); }
    void ShowRwProgress(int p, bool s) override { Log(p, s ? "Rw shown" : "Rw hidden"); }
    void SetRwGauge(int p, std::uint32_t m, std::uint32_t v, std::uint32_t c) override {
        (void)m, (void)v;
        Log(p, "RwGauge " + std::to_string(c));
    }
};

class RecordingResults : public station::ResultWriter {
public:
    std::vector<std::string> calls;
    bool logOk = true;
    bool logDirMissing = false;
    station::RunInfo lastRun;
    std::function<void()> onLog;
    bool WriteProductionLog(station::RunInfo& run) override {
        ExpectWindowThread();
        calls.push_back("Log");
        if (onLog) onLog();
        if (logDirMissing) throw station::CannotCreateLogDirectory();
        for (int p = 0; p < station::PortLimit(); ++p) {
            const PortRecord& r = ActivePortTable[static_cast<std::size_t>(p)];
            if (r.Connected && r.StepStatus[8] == kStepFailed) run.failedDownloadSerials.push_back(r.SerialNumber);
        }
        lastRun = run;
        return logOk;
    }
    void WriteErrorDumps(const station::RunInfo&) override { calls.push_back("Dumps"); }
    void CaptureWindowImage(const station::RunInfo&) override { calls.push_back("Capture"); }
};

class FakeRescan : public station::DeviceRescan {
public:
    int waits = 0;
    int refreshes = 0;
    void WaitDevicesReady() override { ++waits; }
    void RefreshDevices() override { ++refreshes; }
    int ConnectedCount() const override {
        int n = 0;
        for (int p = 0; p < station::PortLimit(); ++p) n += ActivePortTable[static_cast<std::size_t>(p)].Connected;
        return n;
    }
    int LastDeviceCount() const override { return ConnectedCount(); }
};

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApp();
        platform::SetClock(&clock_);
        savedTables_ = PortRecordTables;
        savedPortCount_ = PortCount;
        ClearPortTable(ActivePortTable);
        PortCount = 8;
        ASSERT_TRUE(AllocDeviceSlotBuffers());
        savedBatch_ = EnBatchMode.load();
        EnBatchMode = 0;
        // A run points the program download at its own folder's GDP.bin.
        savedGdp_ = GdpImagePath();
        settings_.Channel = 4;
        settings_.Bank = kBuildBanks;
        settings_.TimeOut = 300'000;
        std::snprintf(settings_.SerialNum, sizeof settings_.SerialNum, "QX0001");
        std::snprintf(settings_.UID, sizeof settings_.UID, "A0");
        config_.FlashGeometry.PagesPerBlock = 256;
        state_.programFolder = dir_.path().string() + "/";
        state_.sataBinName = "SYS_S.bin";
        state_.usbBinName = "SYS_U.bin";
        if (std::FILE* f = std::fopen(dir_.file("SYS_S.bin").c_str(), "wb")) {
            std::fputs(std::string(2049, 'S').c_str(), f);
            std::fclose(f);
        }
        view_.controls.checkedCount = 4;
        view_.controls.sataBin = true;
        MakeEngine();
    }

    void TearDown() override {
        engine_.reset();
        for (int p = 0; p < kPortCount; ++p) {
            DeviceSlots[static_cast<std::size_t>(p)].UsbPath = 0;
            DeviceSlots[static_cast<std::size_t>(p)].SataSpeedBits = 0;
            DeviceSlots[static_cast<std::size_t>(p)].EraseCountsKept = 0;
        }
        FreeDeviceSlotBuffers();
        EnBatchMode = savedBatch_;
        SetGdpImagePath(savedGdp_);
        PortRecordTables = savedTables_;
        PortCount = savedPortCount_;
        platform::SetClock(nullptr);
    }

    void MakeEngine() {
        engine_.reset();
        engine_ = std::make_unique<station::RunStart>(
            station::EngineParts{view_, ports_, results_, rescan_, identity_, prompter_, ops_, state_});
    }

    // A drive on the port: behind a bridge (SATA path) or on its own USB.
    void Connect(int port, bool usbPath = false) {
        PortRecord& r = Rec(port);
        r.Present = r.Connected = 1;
        r.BridgeType = usbPath ? 10 : 4;
        std::snprintf(r.DiskPath, sizeof r.DiskPath, "\\\\?\\usbstor#disk&ven_qx#%04d", port);
        DeviceSlots[static_cast<std::size_t>(port)].UsbPath = usbPath ? 1 : 0;
    }

    void Enable(std::initializer_list<int> items) {
        for (int i : items) settings_.TestItemEnable[static_cast<std::size_t>(i)] = 1;
    }

    static PortRecord& Rec(int port) { return ActivePortTable[static_cast<std::size_t>(port)]; }
    static int Status(int port, int item) { return Rec(port).StepStatus[static_cast<std::size_t>(item)]; }
    static std::string Detail(int port, int item) {
        const std::span<char> t = ItemText(port, item);
        return std::string(t.data(), 8);
    }

    // One press of START, run to its end.
    void Press() { engine_->ExecuteBtnClick(); }

    platform::VirtualClock clock_;
    TempDir dir_;
    GlobalParameter settings_{};
    FlashConfig config_{};
    BinFileList bins_{};
    station::StationState state_{settings_, config_, bins_};
    RecordingStationView view_;
    RecordingPortView ports_;
    RecordingResults results_;
    FakeRescan rescan_;
    station::BarcodeState barcodes_;
    station::IdentitySteps steps_{settings_, barcodes_};
    station::StationIdentity identity_{steps_};
    ui::ScriptedPrompter prompter_;
    ScriptedOps ops_;
    std::unique_ptr<station::RunStart> engine_;
    PortTables savedTables_;
    int savedPortCount_ = 0;
    std::uint8_t savedBatch_ = 0;
    std::string savedGdp_;
};

}  // namespace qx::test
