// Loading and saving the station's settings file on behalf of the window:
// the CRC line, the settings lock, the log folder, the machine's pc.ini
// encryption string and the flash part list, all loaded together or not at
// all. Boxes go through the prompter.
#pragma once

#include <functional>
#include <string>

namespace qx {
struct FlashConfig;
struct FlashPartList;
struct GlobalParameter;
}  // namespace qx
namespace qx::ui {
class Prompter;
}

namespace qx::station {

struct SettingsWindowState;

// What the settings pages are filled from, owned by the main window.
struct SettingsStores {
    GlobalParameter& Settings;
    FlashConfig& Config;
    FlashPartList& Parts;
    SettingsWindowState& Window;
};

inline constexpr char kLogFolderName[] = "log";

// A path names its file as it stands when its folder part holds ":\" or it
// starts with "/"; otherwise it lies in the program folder.
std::string ResolveProgramPath(const std::string& programFolder, const std::string& path);

// "CRC32: %X" of the file, empty when it does not exist.
std::string SettingsCrcText(const std::string& path);

// Reads the file into copies of the record, the configuration, the switches
// and the part list and commits them only when the part list loads; on a
// failure everything stays as it was (the box has been shown) and the result
// is false. crcText receives the CRC line either way.
bool LoadSettingsFile(const std::string& path, SettingsStores& stores, ui::Prompter& prompter, std::string& crcText);

// The rest of a load once the pages show the record: the log folder made
// (throws CannotCreateLogDirectory), the yield counters read, and with
// bar-code entry on, Caps Lock switched off through capsLockOff (which says
// whether it could); where it cannot, a trace line says so.
void FinishSettingsLoad(SettingsStores& stores, const std::function<bool()>& capsLockOff = {});

// Writes the record to the file (ResolveProgramPath); false, after an
// "Error" box naming the path, when the file cannot be written.
bool SaveSettingsFile(const std::string& path, SettingsStores& stores, ui::Prompter& prompter);
// That "Error" box, for a save of the file made elsewhere.
void TellSettingsNotSaved(const SettingsStores& stores, const std::string& path, ui::Prompter& prompter);

}  // namespace qx::station
