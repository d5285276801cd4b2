#include "station/settings/settings_load.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <variant>
#include <vector>

#include "qxlib/base/debug_print.h"
#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/ini_engine.h"
#include "qxlib/settings/settings_checksum.h"
#include "qxlib/settings/settings_file.h"
#include "qxlib/settings/settings_keys.h"
#include "station/flash_part_list.h"
#include "station/panels/yield_file.h"
#include "station/results/log_directory.h"
#include "station/settings/settings_window_state.h"
#include "ui/profile_ini.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

constexpr std::size_t kPcIniBytes = 3;

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The process-wide switches a settings text sets, as they stood before a
// load, so a failed load can put them back.
class SwitchSnapshot {
public:
    explicit SwitchSnapshot(SettingsTargets& targets) {
        for (const SettingsKey& key : SettingsKeyTable())
            for (std::size_t i = 0; i < key.Count; ++i) {
                const SettingsField field = key.Field(targets, i);
                if (auto* byte = std::get_if<std::atomic<std::uint8_t>*>(&field))
                    bytes_.push_back({*byte, (*byte)->load()});
                else if (auto* flag = std::get_if<std::atomic<bool>*>(&field))
                    flags_.push_back({*flag, (*flag)->load()});
            }
    }
    void Restore() const {
        for (const auto& [where, value] : bytes_) where->store(value);
        for (const auto& [where, value] : flags_) where->store(value);
    }

private:
    std::vector<std::pair<std::atomic<std::uint8_t>*, std::uint8_t>> bytes_;
    std::vector<std::pair<std::atomic<bool>*, bool>> flags_;
};

// At most three bytes of the first line; a line feed among them is kept.
std::string ReadPcIniText() {
    std::ifstream in(PcIniPath(), std::ios::binary);
    std::string text;
    char c = 0;
    while (text.size() < kPcIniBytes && in.get(c)) {
        text.push_back(c);
        if (c == '\n') break;
    }
    return text;
}

std::string LogFolder(const std::string& path, const std::string& programFolder) {
    const std::string logPath = ProfileIni::Load(path).ReadString("Setting", "LogPath", kLogFolderName);
    if (logPath == kLogFolderName) return programFolder + kLogFolderName + "/";
    return logPath;
}

}  // namespace

std::string ResolveProgramPath(const std::string& programFolder, const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (folder.find(":\\") != std::string::npos || path.starts_with('/')) return path;
    return programFolder + path;
}

std::string SettingsCrcText(const std::string& path) {
    if (!FileExists(path)) return {};
    char text[32];
    std::snprintf(text, sizeof text, "CRC32: %X", GetFileCRC32(path));
    return text;
}

bool LoadSettingsFile(const std::string& path, SettingsStores& stores, ui::Prompter& prompter, std::string& crcText) {
    crcText = SettingsCrcText(path);
    if (!FileExists(path))
        prompter.Error("The " + path + " file cann't be found, and the application will create the file!\n");

    GlobalParameter settings = stores.Settings;
    FlashConfig config = stores.Config;
    SettingsTargets targets{settings, config};
    const SwitchSnapshot switches(targets);
    IniText text;
    text.IniLoadFile(path);
    ReadSettingsText(text, settings, config);

    if (FileExists(PcIniPath().string())) {
        CopyFixedText(settings.EncryptionString, ReadPcIniText());
        settings.EncryptionEnable = 1;
    }
    const std::string flashFile(FixedTextView(settings.ExtFlashFile));
    if (flashFile.empty()) {
        switches.Restore();
        prompter.Error("Please make sure the flash file " + flashFile + " exist!\n");
        return false;
    }
    FlashPartList parts = stores.Parts;
    if (!LoadFlashPartList(stores.Window.ProgramFolder, flashFile, parts)) {
        switches.Restore();
        prompter.Error("Please make sure the flash file " + flashFile + " format correct!\n");
        return false;
    }

    // The engine keeps the loaded text for the next save: load it for real
    // now that the file is accepted (the copies above already hold its values).
    {
        GlobalParameter scratchSettings = stores.Settings;
        FlashConfig scratchConfig = stores.Config;
        LoadGlobalParameter(path, scratchSettings, scratchConfig);
    }
    stores.Settings = settings;
    stores.Config = config;
    stores.Parts = std::move(parts);
    SettingsWindowState& w = stores.Window;
    if (w.SettingsUnlocked) w.SettingsUnlocked = settings.MPVersion == 0 ? 1 : 0;
    w.LogDir = LogFolder(path, w.ProgramFolder);
    w.FlashVendorCount = stores.Parts.VendorCount();
    w.FlashPartCount = stores.Parts.PartCount();
    return true;
}

void FinishSettingsLoad(SettingsStores& stores, const std::function<bool()>& capsLockOff) {
    EnsureLogDirectory(stores.Window.LogDir);
    LoadYield(stores.Window.LogDir, stores.Settings);
    // Bar codes arrive as key strokes; Caps Lock would turn their letters.
    if (stores.Settings.EnBarCode && !(capsLockOff && capsLockOff()))
        DebugPrint("Caps Lock cannot be switched off on this display; bar codes may arrive in the wrong case\n");
}

bool SaveSettingsFile(const std::string& path, SettingsStores& stores, ui::Prompter& prompter) {
    const std::string target = ResolveProgramPath(stores.Window.ProgramFolder, path);
    // Replaced whole or not at all: a failed save leaves the old file as it
    // was, and a FIFO or folder of that name is refused without opening it.
    if (SaveGlobalParameter(target, stores.Settings, stores.Config) != 1) {
        TellSettingsNotSaved(stores, path, prompter);
        return false;
    }
    return true;
}

void TellSettingsNotSaved(const SettingsStores& stores, const std::string& path, ui::Prompter& prompter) {
    prompter.Error("Cannot write the settings file " + ResolveProgramPath(stores.Window.ProgramFolder, path));
}

}  // namespace qx::station
