// The utility's own settings file, "Sondrel.ini" in the program folder. It is
// only read, never written; a missing file or key gives 0.
#pragma once

#include <filesystem>
#include <string_view>

namespace qx::utility {

inline constexpr char kSettingsFileName[] = "Sondrel.ini";

struct UtilitySettings {
    int EnResetSmart = 0;       // [Setting] EnResetSmart: the SMART reset button may show
    int EnRemapRelation = 0;    // [Setting] EnRemapRelation: read by the bad-block count
};

// An INI integer as the platform reads one: decimal, or hexadecimal after
// "0x", "0X", "x", "X" or "$", with an optional leading minus; anything else
// gives def.
int IniInteger(std::string_view text, int def);

UtilitySettings LoadUtilitySettings(const std::filesystem::path& programFolder);

}  // namespace qx::utility
