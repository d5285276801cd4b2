#include "utility/utility_settings.h"

#include <charconv>
#include <optional>
#include <string>

#include "qxlib/base/debug_print.h"
#include "ui/profile_ini.h"
#include "platform/file_bytes.h"

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
    // Read as an unsigned magnitude: the digits may carry no sign of their
    // own, so "--5" or "-x-8" is no number.
    unsigned long long magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || end != text.data() + text.size()) return def;
    const unsigned long long limit = negative ? 2147483648ULL : 2147483647ULL;
    if (magnitude > limit) return def;
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    return static_cast<int>(value);
}

UtilitySettings LoadUtilitySettings(const std::filesystem::path& programFolder) {
    UtilitySettings s;
    const std::filesystem::path path = programFolder / kSettingsFileName;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return s;
    // A settings file that cannot be read (a folder of that name, no
    // permission) counts as an empty one, as a missing file does.
    const std::optional<std::string> text = platform::ReadFileBytes(path);
    if (!text) {
        DebugPrint("######### - Cannot read %s: the settings keep their defaults", path.string().c_str());
        return s;
    }
    const ProfileIni ini = ProfileIni::FromText(*text);
    s.EnResetSmart = IniInteger(ini.ReadString("Setting", "EnResetSmart", "0"), 0);
    s.EnRemapRelation = IniInteger(ini.ReadString("Setting", "EnRemapRelation", "0"), 0);
    return s;
}

}  // namespace qx::utility
