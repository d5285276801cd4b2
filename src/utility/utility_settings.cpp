#include "utility/utility_settings.h"

#include <charconv>
#include <string>

#include "ui/profile_ini.h"

namespace qx::utility {

int IniInteger(std::string_view text, int def) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    for (std::string_view prefix : {"0x", "0X", "x", "X", "$"}) {
        if (text.starts_with(prefix)) {
            text.remove_prefix(prefix.size());
            base = 16;
            break;
        }
    }
    if (text.empty()) return def;
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size()) return def;
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return def;
    return static_cast<int>(value);
}

UtilitySettings LoadUtilitySettings(const std::filesystem::path& programFolder) {
    const ProfileIni ini = ProfileIni::Load(programFolder / kSettingsFileName);
    UtilitySettings s;
    s.EnResetSmart = IniInteger(ini.ReadString("Setting", "EnResetSmart", "0"), 0);
    s.EnRemapRelation = IniInteger(ini.ReadString("Setting", "EnRemapRelation", "0"), 0);
    return s;
}

}  // namespace qx::utility
