#include "station/run/run_start.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "qxlib/base/debug_print.h"
#include "qxlib/error_items/item_numbers.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/transport/device_slot.h"

namespace qx::station {

namespace {

constexpr std::uint8_t kLoaderSpeedBits = 14;
constexpr std::size_t kIdentifyBufferBytes = 8 * 1024;
constexpr std::size_t kSpeedByteAt = 152;   // low byte of IDENTIFY word 76
constexpr int kAutoRunGiveUp = 8;
constexpr int kRescanAfterRunMs = 200;

bool Listed(const RoundControls& controls, std::size_t item) {
    for (int i : controls.listedSteps)
        if (static_cast<std::size_t>(i) == item) return true;
    return false;
}

}  // namespace

RunStart::RunStart(EngineParts parts) : parts_(parts), controller_(parts, batch_) {}

void RunStart::Lock() {
    busy_ = true;
    parts_.station.LockForRun();
}

void RunStart::Restore() {
    busy_ = false;
    parts_.station.RestoreAfterRun();
    if (std::exchange(rescanAfterRun_, false)) parts_.station.ArmTimer(kRescanTimerId, kRescanAfterRunMs);
}

// A refusal leaves the window waiting for the operator; with nobody to see
// it, a run that was to quit by itself quits now (its message is on the
// console).
void RunStart::EndUnattendedRun() {
    if (unattended_ && parts_.state.autoExecuteQuit) parts_.station.QuitApplication();
}

bool RunStart::Refuse(const std::string& text) {
    parts_.prompter.Information(kMsgCaption, text);
    Restore();
    return false;
}

void RunStart::ExecuteBtnClick() {
    const bool batchMode = EnBatchMode.load() != 0;
    const int repeatTimes = parts_.station.ReadRoundControls().repeatTimes;
    batch_.Continue = true;
    if (batchMode) batch_.AllPass = true;
    roundsLeft_ = batchMode && repeatTimes > 0 ? repeatTimes : 1;
    roundNotRun_ = resultsLost_ = false;

    while (roundsLeft_ > 0 && batch_.Continue) {
        Round round = Round::Refused;
        try {
            round = RunRound(batchMode ? repeatTimes : 0, roundsLeft_);
        } catch (const CannotCreateLogDirectory& e) {
            // The run has ended; the operator sees why nothing was logged.
            parts_.prompter.Error(e.what());
            Restore();
            resultsLost_ = true;
            EndUnattendedRun();
            return;
        }
        if (round != Round::Ran) roundNotRun_ = true;
        if (round == Round::Refused) {
            EndUnattendedRun();
            return;
        }
        if (parts_.state.autoExecuteQuit) parts_.station.QuitApplication();
        --roundsLeft_;
    }
    if (batchMode) parts_.station.SetBatchPanelColor(batch_.AllPass ? kLime : kRed);
}

RunStart::Round RunStart::RunRound(int repeatTimes, int roundsLeft) {
    StationView& view = parts_.station;
    RoundMode mode;
    if (repeatTimes != 0) {
        mode.batchRound = repeatTimes - roundsLeft + 1;
        view.SetRoundText("Batch Mode Round " + std::to_string(mode.batchRound));
        view.SetBatchPanelColor(kYellow);
    }
    Lock();
    view.FormToGlobalParameter();
    const RoundControls controls = view.ReadRoundControls();
    if (!CheckRound(controls)) return Round::Refused;

    if (controls.rdPageActive) {
        if (controls.claimNew) mode.rebuildOnly = true;
        else if (controls.getDefTable || controls.putDefTable || controls.getLaterTable || controls.putLaterTable)
            mode.tableMode = true;
    }
    Round round = Round::Ran;
    if (!mode.tableMode && !mode.rebuildOnly) round = PrepareDownloadFiles(controls);
    if (round == Round::Refused) return round;

    int result = 1;
    if (round == Round::Ran) {
        const GlobalParameter& s = parts_.state.settings;
        if (s.BarCodeInputMode == 1 && ((s.EnBarCode == 1 && s.EnPPID == 0) || s.EnPPID == 1))
            parts_.identity.SetBarcodeEntered();
        result = controller_.RunProduction(mode, controls);
        if (result == 0) roundNotRun_ = true;   // refused before any worker
        view.FormToGlobalParameter();
        view.SaveSettings();
    }
    Restore();
    // A round without a run leaves START usable so the operator can mend the
    // settings and press it again.
    view.SetStartEnabled(result != 0);
    if (result != 0 && view.StartEnabled()) view.FocusStart();
    return round;
}

bool RunStart::CheckRound(const RoundControls& controls) {
    const GlobalParameter& s = parts_.state.settings;
    if (controls.capacityIndex > 0 && controls.capacityGB != parts_.state.config.RawCapacityGB) {
        for (int p = 0; p < parts_.tables.Limit(); ++p) {
            PortRecord& rec = parts_.tables.Active(p);
            if (!rec.Present) continue;
            for (std::size_t i = 1; i < rec.StepStatus.size(); ++i)
                if (Listed(controls, i)) rec.StepStatus[i] = kStepOff;
            rec.OverallResult = kResultNone;
        }
        return Refuse("Please make sure the Flash parameter selection!");
    }
    if (!parts_.state.specialMode) {
        if (s.Channel < 1 || s.Channel > 4)
            return Refuse("Please check total channel's number, only support 1, 2, 3, and 4 channel");
        if (kSingleBankBuild && s.Bank != 1) return Refuse("Please check total bank's number, only support 1 bank");
        if (!kSingleBankBuild && s.Bank != 1 && s.Bank != 2 && s.Bank != 4 && s.Bank != 8)
            return Refuse("Please check total bank's number, only support 1, 2, 4 and 8 bank");
    }
    if (controls.sataBin && controls.usbBin && s.SNMinLength < 12)
        return Refuse("When mptool download SATA and USB codes to flash simultaneously, the length of SN is'nt less than 12");
    if (s.EnBarCode) {
        for (int a = 0; a < parts_.tables.Limit(); ++a)
            for (int b = a + 1; b < parts_.tables.Limit(); ++b) {
                if (!parts_.tables.Active(a).Connected ||
                    !parts_.tables.Active(b).Connected)
                    continue;
                if (parts_.identity.PortBarcodeSerial(a) == parts_.identity.PortBarcodeSerial(b))
                    return Refuse("The SN isn't unique");
            }
    }
    return CheckConnectedDrives();
}

bool RunStart::CheckConnectedDrives() {
    std::vector<std::uint8_t> identify(kIdentifyBufferBytes);
    for (int p = 0; p < parts_.tables.Limit(); ++p) {
        if (!parts_.tables.Active(p).Connected) continue;
        DeviceSlot& slot = DeviceSlots[static_cast<std::size_t>(p)];
        if (parts_.ops.IsLoaderDevice(p)) {
            slot.SataSpeedBits = kLoaderSpeedBits;
            continue;
        }
        if (parts_.ops.HasNtfsPartition(p)) {
            char text[96];
            std::snprintf(text, sizeof text, "Please remove the #%d SSD's disk partition (NTFS) before initialize the SSD.",
                          p + 1);
            return Refuse(text);
        }
        if (parts_.ops.IdentifyDevice(p, identify.data())) {
            slot.SataSpeedBits = identify[kSpeedByteAt];
            DebugPrint("######### - SSD SATA speed 0x%.2X", slot.SataSpeedBits);
        }
    }
    return true;
}

RunStart::Round RunStart::PrepareDownloadFiles(const RoundControls& controls) {
    const GlobalParameter& s = parts_.state.settings;
    bool anyStep = false;
    for (std::uint8_t e : s.TestItemEnable) anyStep = anyStep || e != 0;
    if (!anyStep) return Round::Skipped;
    if (!(s.TestItemEnable[8] || s.TestItemEnable[9] || s.TestItemEnable[11])) return Round::Ran;

    std::vector<std::string> files;
    if (controls.sataBin) files.push_back(parts_.state.programFolder + parts_.state.sataBinName);
    if (controls.usbBin) files.push_back(parts_.state.programFolder + parts_.state.usbBinName);
    if (files.empty()) {
        Refuse("At lease one bin file needed!");
        return Round::Refused;
    }
    if (files.size() == 2 && parts_.state.config.FlashGeometry.PagesPerBlock <= 64) {
        Refuse("The Block Page number of flash is too small, then MP can't download SATA and USB codes simultaneously");
        return Round::Refused;
    }
    BinFileList& list = parts_.state.downloadFiles;
    list.Count = static_cast<std::uint8_t>(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(files[i], ec);
        // A name the list cannot hold whole is a file the download cannot open.
        if (ec || files[i].size() >= sizeof list.Names[i]) {
            parts_.prompter.Information(kMsgCaption, "Can't open: " + files[i]);
            return Round::Skipped;
        }
        std::memset(list.Names[i], 0, sizeof list.Names[i]);
        std::memcpy(list.Names[i], files[i].c_str(), files[i].size());
        list.SizesKB[i] = static_cast<std::uint32_t>((bytes + 1023) / 1024);
    }
    return Round::Ran;
}

void RunStart::AutoTestTimerTimer() {
    StationView& view = parts_.station;
    view.SetAutoStartTimer(false);
    const bool enabled = view.StartEnabled();
    if (enabled && parts_.state.autoExecute) {
        autoRunRetries_ = 0;
        ExecuteBtnClick();
    } else if (!enabled && parts_.state.autoExecute) {
        view.SetAutoStartTimer(true);
        ++autoRunRetries_;
    }
    if (autoRunRetries_ > kAutoRunGiveUp) {
        view.SetAutoStartTimer(false);
        ExecuteBtnClick();
    }
}

void RunStart::StopClick() {
    for (int p = 0; p < parts_.tables.Limit(); ++p) {
        PortRecord& rec = parts_.tables.Active(p);
        if (!rec.Connected) continue;
        controller_.Workers()[p].Kill([&] {
            parts_.station.KillTimer(p + 1);
            // The item's detail text belongs to this stop, not to an older run.
            const std::span<char> text = ItemText(p, item::kPreformat);
            std::fill(text.begin(), text.end(), '\0');
            rec.StepStatus[item::kPreformat] = kStepFailed;
            rec.ErrorCode = rec.DisplayCode = item::kPreformat;
            rec.OverallResult = kResultFail;
        });
    }
    if (EnBatchMode.load() && batch_.Continue) {
        batch_.Continue = false;
        batch_.AllPass = false;
    }
    controller_.WorkerLeft();
}

void RunStart::OnTimer(int id) {
    if (id == kRescanTimerId) {
        parts_.station.KillTimer(kRescanTimerId);
        // A rescan rewrites the port records and slot paths the workers read:
        // a rescan armed before START (a drive plugged just before the press)
        // waits for the run's end.
        if (busy_) {
            rescanAfterRun_ = true;
            return;
        }
        parts_.rescan.RefreshDevices();
        if (parts_.station.StartEnabled()) parts_.station.FocusStart();
        return;
    }
    if (id < 1 || id > parts_.tables.Limit()) return;
    const int port = id - 1;
    parts_.station.KillTimer(id);
    PortRecord& rec = parts_.tables.Active(port);
    const bool killed = controller_.Workers()[port].Kill([&] {
        rec.ErrorCode = rec.DisplayCode = item::kTimeout;
        rec.OverallResult = kResultFail;
    });
    if (!killed) return;
    parts_.station.UpdateDrawPanel();
    controller_.WorkerLeft();
}

}  // namespace qx::station
