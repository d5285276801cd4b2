// Loading the settings file into the settings record (and the configuration
// fields and library switches it also feeds), and saving the record back into
// the text of the last load, so keys and comments the station does not know
// survive a save.
#pragma once

#include <filesystem>

namespace qx {

class IniText;
struct GlobalParameter;
struct FlashConfig;

// Fills settings, the [FwSetting]/[DeviceSetting] fields of config and the
// library switches from the file; a missing file gives every key its default.
// The text is kept for the next SaveGlobalParameter. Window thread only.
void LoadGlobalParameter(const std::filesystem::path& path, GlobalParameter& settings, FlashConfig& config);
// Writes the saved keys into the text of the last load and that text to path,
// replacing the file whole. 1 when written; 0 when not, the old file kept.
int SaveGlobalParameter(const std::filesystem::path& path, const GlobalParameter& settings,
                        const FlashConfig& config);

// The same two steps on a text in memory.
void ReadSettingsText(const IniText& text, GlobalParameter& settings, FlashConfig& config);
void WriteSettingsText(IniText& text, const GlobalParameter& settings, const FlashConfig& config);

// The machine-wide file whose presence keeps the encryption string out of the
// settings file (and supplies it at load). Set once at start-up.
const std::filesystem::path& PcIniPath();
void SetPcIniPath(std::filesystem::path path);

}  // namespace qx
