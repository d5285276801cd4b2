// A station's device rescan over a simulated machine loaded from a rack
// folder, on the virtual clock: a view that records what the rescan asks
// of the window and runs its timers on virtual time, a window with the
// flags the rescan reads, and the scripted prompter.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/trace_sink.h"
#include "qxlib/base/switches.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/transport/device_slot.h"
#include "sim/rack/sim_machine.h"
#include "station/devices/port_rescan.h"
#include "station/views/rescan_window.h"
#include "station/views/station_view.h"
#include "support/temp_dir.h"
#include "ui/scripted_prompter.h"

namespace qx::test {

class RecordingView final : public station::StationView {
public:
    explicit RecordingView(platform::Clock& clock) : clock_(clock) {}
    void LockForRun() override {}
    void RestoreAfterRun() override {}
    void SetStartEnabled(bool enabled) override { startEnabled.push_back(enabled); }
    void SetRoundText(const std::string&) override {}
    void SetBatchPanelColor(std::uint32_t) override {}
    void SetElapsedText(const std::string&) override {}
    void SetWaitAnimation(bool) override {}
    void SetSafeRemoveColor(std::uint32_t bgr) override { safeRemoveColors.push_back(bgr); }
    void UpdateDrawPanel() override { ++draws; }
    void ArmTimer(int id, int ms) override {
        timers[id] = clock_.NowMs() + static_cast<std::uint64_t>(ms);
        armed.emplace_back(id, ms);
    }
    void KillTimer(int id) override { timers.erase(id); }
    station::RunControls ReadRunControls() override { return {}; }
    station::RoundControls ReadRoundControls() override { return {}; }
    // What a run asks of the window; no run happens in these tests.
    void FormToGlobalParameter() override {}
    void ChangeGlobalParameter() override {}
    void GlobalParameterToForm() override {}
    void SaveSettings() override {}
    void ShowSerialCounters(const std::string&, const std::string&) override {}
    bool StartEnabled() override { return !startEnabled.empty() && startEnabled.back(); }
    void FocusStart() override {}
    void SetAutoStartTimer(bool) override {}
    void CloseWindow() override {}
    void QuitApplication() override {}

    std::vector<bool> startEnabled;
    std::vector<std::uint32_t> safeRemoveColors;
    int draws = 0;
    std::map<int, std::uint64_t> timers;   // id → when it fires
    std::vector<std::pair<int, int>> armed;

private:
    platform::Clock& clock_;
};

class FakeWindow final : public station::RescanWindow {
public:
    bool Busy() const override { return busy; }
    bool StartAllowed() const override { return startAllowed; }
    bool FlashAutoDetectRunning() const override { return flashAutoDetect; }
    void SetInterfaceWord(const std::string& word) override { interfaceWords.push_back(word); }
    void ClearPortTexts(int port) override { clearedPorts.push_back(port); }
    void StartAutoExecute() override { ++autoExecutes; }

    bool busy = false;
    bool startAllowed = true;
    bool flashAutoDetect = false;
    std::vector<std::string> interfaceWords;
    std::vector<int> clearedPorts;
    int autoExecutes = 0;
};

// Drive paths of the rack the tests build.
inline std::string DrivePath(int n) {
    return "\\\\?\\usbstor#disk&ven_qx&prod_ssd#000" + std::to_string(n) + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}

class RescanFixture : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        setenv("QX_LOCK_DIR", locks_.path().c_str(), 1);
        platform::SetClock(&clock_);
        platform::SetTraceSink([this](std::string_view t) { traces_.emplace_back(t); });
        savedBusMode_ = SataBusMode.load();
        savedForcePio_ = ForcePioTransfer.load();
        SataBusMode = 2;
        ForcePioTransfer = false;
        ClearPortTable(ScanPortTable);
        ClearPortTable(ActivePortTable);
        PortCount = 0;
    }

    void TearDown() override {
        if (machine_) machine_->Uninstall();
        for (auto& slot : DeviceSlots) {
            slot.InterfacePath.clear();
            slot.UsbPath = 0;
            slot.DirectAta = 0;
        }
        ClearPortTable(ScanPortTable);
        ClearPortTable(ActivePortTable);
        PortCount = 0;
        SataBusMode = savedBusMode_;
        ForcePioTransfer = savedForcePio_;
        platform::SetTraceSink({});
        platform::SetClock(nullptr);
        unsetenv("QX_LOCK_DIR");
    }

    static void EnsureApplication() {
        if (QCoreApplication::instance()) return;
        static int argc = 1;
        static char name[] = "qx_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }

    // A drive for the rack: its chip tag decides the bridge type (q461 type
    // 1, q455 type 7, q814 the controller's own USB, zzzz unknown).
    static sim::DriveConfig Drive(const std::string& tag, const std::string& serial) {
        sim::DriveConfig c;
        c.chipTag = tag;
        c.frontEnd = tag == "q814" ? sim::FrontEnd::NativeUsb : sim::FrontEnd::Bridge;
        c.serial = serial;
        return c;
    }

    // Writes the rack folder (drives in order as drive01, drive02, ..., then
    // the [usb] lines) and installs the machine it describes.
    void LoadRack(const std::vector<sim::DriveConfig>& drives, const std::string& usbLines) {
        {
            sim::SimRack rack;
            for (std::size_t i = 0; i < drives.size(); ++i) rack.AddDrive(DrivePath(static_cast<int>(i) + 1), drives[i]);
            ASSERT_TRUE(rack.SaveState(rackDir_.path().string()));
        }
        std::ofstream(rackDir_.path() / "rack.ini", std::ios::app) << "[usb]\n" << usbLines;
        std::string error;
        machine_ = sim::SimMachine::LoadFolder(rackDir_.path().string(), &error);
        ASSERT_TRUE(machine_) << error;
        machine_->Install();
    }

    // Moves virtual time on and fires the timers that fall due, as the
    // window's timer handler does: timer 51 is killed, then the refresh runs.
    void Elapse(std::uint64_t ms) {
        const std::uint64_t until = clock_.NowMs() + ms;
        for (;;) {
            auto next = view_.timers.end();
            for (auto it = view_.timers.begin(); it != view_.timers.end(); ++it)
                if (it->second <= until && (next == view_.timers.end() || it->second < next->second)) next = it;
            if (next == view_.timers.end()) break;
            if (next->second > clock_.NowMs()) clock_.Advance(next->second - clock_.NowMs());
            const int id = next->first;
            view_.timers.erase(next);
            if (id == station::kRescanTimerId) {
                ++refreshesByTimer_;
                rescan_.RefreshDevices();
            }
        }
        if (until > clock_.NowMs()) clock_.Advance(until - clock_.NowMs());
    }

    bool Traced(const std::string& line) const {
        for (const auto& t : traces_)
            if (t == line) return true;
        return false;
    }

    static PortRecord& Active(int port) { return ActivePortTable[static_cast<std::size_t>(port)]; }

    TempDir locks_;
    TempDir rackDir_;
    platform::VirtualClock clock_;
    std::vector<std::string> traces_;
    GlobalParameter settings_{};
    FlashConfig flash_{};
    ui::ScriptedPrompter prompter_;
    station::BarcodeState barcodes_;
    station::MesClient mes_;
    RecordingView view_{clock_};
    FakeWindow window_;
    station::PortRescan rescan_{{settings_, flash_, view_, window_, prompter_, barcodes_, mes_}};
    std::unique_ptr<sim::SimMachine> machine_;
    int refreshesByTimer_ = 0;
    std::uint8_t savedBusMode_ = 2;
    bool savedForcePio_ = false;
};

}  // namespace qx::test
