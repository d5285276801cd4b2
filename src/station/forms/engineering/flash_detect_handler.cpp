#include "station/forms/engineering/flash_detect_handler.h"

#include <QComboBox>
#include <QPushButton>

#include <cstdio>

#include "qxlib/discovery/port_record.h"
#include "qxlib/programs/bin_file_header.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "station/forms/engineering/flash_info_form.h"
#include "station/forms/settings/settings_area.h"
#include "station/settings/settings_window_state.h"
#include "ui/prompter.h"

namespace qx::station {

namespace {

void SelectValue(const SettingsArea& area, const char* box, int value) {
    auto* combo = area.findChild<QComboBox*>(box);
    const int item = combo->findText(QString::number(value));
    combo->setCurrentIndex(item < 0 ? 0 : item);
}

// The search selects each matching part on the page, so the last match is
// the one shown.
void SelectCandidates(SettingsArea& area, const FlashCandidates& found) {
    auto* vendors = area.findChild<QComboBox*>("FlashVendorCmbx");
    for (int i = 0; i < found.Count; ++i) {
        vendors->setCurrentIndex(found.Vendor[static_cast<std::size_t>(i)]);
        area.Stores().Window.ChosenFlashCodeIndex = found.Code[static_cast<std::size_t>(i)];
        area.UpdateFlashList(false);
    }
}

void ApplyReport(SettingsArea& area, const FlashDetectResult& result) {
    GlobalParameter& s = area.Stores().Settings;
    ApplyFlashReport(result, CheckGdpVersionSupport(), s);
    SelectValue(area, "FlashChanCmBx", s.Channel);
    SelectValue(area, "FlashBankCmBx", s.Bank);
    area.findChild<QComboBox*>("DrvCurrentCmBx")->setCurrentIndex(s.DrvCurrent);
    area.FlashInfoChange();
    if (!SaveFlashSettingToIni(area.Stores().Window.ProgramFolder, kSettingsFileName, s))
        area.TellIniNotSaved(kSettingsFileName);
}

}  // namespace

void FlashAutoDetectBtnClick(SettingsArea& area, ui::Prompter& prompter, TFlashInfoFrom& dialog,
                             const FlashDetectHooks& hooks) {
    if (hooks.LastDeviceCount == 0) {
        prompter.Message("No connected device for detecting!!");
        return;
    }
    auto* button = area.findChild<QPushButton*>("FlashAutoDetectBtn");
    button->setEnabled(false);
    FlashConfig& config = area.Stores().Config;
    for (std::size_t b = 0; b < config.FlashGeometry.BankMap.size(); ++b)
        config.FlashGeometry.BankMap[b] = static_cast<std::uint8_t>(b);
    // Each detection starts from nothing: no earlier candidates or report.
    FlashCandidates found;
    dialog.SetCandidates(found);
    const FlashDetection d = DetectFlashOnFirstPort(hooks.Tables.Count(), config, area.Stores().Settings, hooks.Tables);
    const bool applied = d.Outcome == DetectOutcome::Detected;
    if (applied) {
        found = FindFlashCandidates(area.Stores().Parts, d.Result.FlashId());
        area.Guarded([&] {
            SelectCandidates(area, found);
            ApplyReport(area, d.Result);
        });
        if (hooks.ProcessEvents) hooks.ProcessEvents();
    } else {
        // The detection's boot values must not stay in the configuration.
        area.ChangeGlobalParameter();
    }
    if (d.Outcome == DetectOutcome::Ntfs) {
        char text[128];
        std::snprintf(text, sizeof text,
                      "Please remove the #%d SSD's disk partition (NTFS) before initialize the SSD.", d.Port + 1);
        prompter.Message(text);
        if (hooks.MakeWindowUsable) hooks.MakeWindowUsable();
        area.ApplySettingsLock();
        button->setEnabled(true);
        return;
    }
    if (found.Count > 0) {
        dialog.SetCandidates(found);
        dialog.exec();
        area.BinFileChkClick();
    } else {
        prompter.Message("Not found, check your flash list!!");
        prompter.Message(FlashIdMessage(d.Result));
    }
    button->setEnabled(true);
}

}  // namespace qx::station
