// The settings-file row: loading and saving the settings file, "Load INI"
// and "Save INI" with their dialogs or the custom path.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/global_parameter.h"
#include "station/forms/form_text.h"
#include "station/forms/settings/caps_lock.h"
#include "station/forms/settings/settings_area.h"
#include "station/results/write_failures.h"
#include "station/settings/settings_window_state.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string() + "/"; }

}  // namespace

int SettingsArea::LoadIniFile(const std::string& path) {
    Find<QLineEdit>("INIFileEdit")->setText(Q(std::filesystem::path(path).filename().string()));
    std::string crc;
    const bool loaded = LoadSettingsFile(path, stores_, prompter_, crc);
    Find<QLabel>("CRC32Label")->setText(Q(crc));
    if (!loaded) return 0;
    Find<QLineEdit>("VolumeLabeledEdit")->setText(Q(std::string(FixedTextView(stores_.Settings.DiskLabel))));
    GlobalParameterToForm();
    FinishSettingsLoad(stores_, SwitchCapsLockOff);
    return 1;
}

bool SettingsArea::SaveIniFile(const std::string& path) {
    if (SaveSettingsFile(path, stores_, prompter_)) return true;
    if (failures_) failures_->settings = true;
    return false;
}

void SettingsArea::TellIniNotSaved(const std::string& path) {
    TellSettingsNotSaved(stores_, path, prompter_);
    if (failures_) failures_->settings = true;
}

void SettingsArea::AfterLoadFromButton() {
    FlashInfoChange();
    ApplySettingsLock();
    emit settingsLockRequested();
    FunCheckListBoxClickCheck();
}

void SettingsArea::INILoadBtnClick() {
    SettingsWindowState& w = stores_.Window;
    GlobalParameter& s = stores_.Settings;
    if (s.SupportCustIniFilePath) {
        w.IniPath = std::string(FixedTextView(s.CustIniFilePath));
        if (!FileExists(w.IniPath)) {
            prompter_.Box({"Confirm", "File " + w.IniPath + " does not exist.", ui::BoxIcon::Question, ui::BoxButtons::Ok});
            return;
        }
        // A failed load has shown its box and changed nothing.
        if (!LoadIniFile(w.IniPath)) return;
        AfterLoadFromButton();
        Find<QPushButton>("INISaveBtn")->setEnabled(true);
        s.SupportCustIniFilePath = 1;
        CopyFixedText(s.CustIniFilePath, w.IniPath);
        return;
    }
    if (openFolder_.empty()) openFolder_ = w.ProgramFolder;
    const auto chosen = prompter_.File({ui::FileDialogKind::Open, "", openFolder_, "", "INI file(*.ini)|*.ini", ".ini"});
    if (!chosen) return;
    openFolder_ = FolderOf(*chosen);
    if (SameIgnoringCase(*chosen, w.ProgramFolder + std::string(FixedTextView(s.ExtFlashFile)))) {
        prompter_.Message("The file is a setting file for flash, please choose a correct setting file for MP tool");
        return;
    }
    // The values are imported; the current settings file stays the one saved at exit.
    if (!LoadIniFile(*chosen)) return;
    AfterLoadFromButton();
}

void SettingsArea::INISaveBtnClick() {
    SettingsWindowState& w = stores_.Window;
    FormToGlobalParameter();
    if (stores_.Settings.SupportCustIniFilePath) {
        w.IniPath = std::string(FixedTextView(stores_.Settings.CustIniFilePath));
        SaveIniFile(w.IniPath);
        return;
    }
    if (saveFolder_.empty()) saveFolder_ = w.ProgramFolder;
    const auto chosen =
        prompter_.File({ui::FileDialogKind::Save, "", saveFolder_, "", "EEPROM INI file(*.ini)|*.ini", ".ini"});
    if (!chosen) return;
    saveFolder_ = FolderOf(*chosen);
    w.IniPath = *chosen;
    SaveIniFile(w.IniPath);
    w.IniPath = w.ProgramFolder + kSettingsFileName;
}

}  // namespace qx::station
