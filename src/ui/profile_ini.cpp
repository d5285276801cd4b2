#include "ui/profile_ini.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/file_bytes.h"
#include "ui/profile_text.h"

namespace qx {

using profile_text::EqualNoCase;
using profile_text::Trim;


ProfileIni ProfileIni::Load(const std::filesystem::path& path) {
    // A file that cannot be read (a folder of that name, no permission)
    // reads as an empty one, as a missing file does.
    const std::optional<std::string> text = platform::ReadFileBytes(path);
    return text ? FromText(*text) : ProfileIni{};
}

ProfileIni ProfileIni::FromText(std::string_view text) {
    ProfileIni ini;
    std::string section;
    bool inSection = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        std::string_view name;
        if (profile_text::SectionOf(line, name)) {
            section = name;
            inSection = true;
            continue;
        }
        const auto equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) continue;
        ini.entries_.push_back({section, std::string(Trim(line.substr(0, equals))),
                                std::string(Trim(line.substr(equals + 1)))});
    }
    return ini;
}

const ProfileIni::Entry* ProfileIni::Find(std::string_view section, std::string_view key) const {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return EqualNoCase(e.Section, section) && EqualNoCase(e.Key, key);
    });
    return it == entries_.end() ? nullptr : &*it;
}

std::string ProfileIni::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    const Entry* entry = Find(section, key);
    return entry ? entry->Value : std::string(def);
}

int ProfileIni::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const Entry* entry = Find(section, key);
    if (!entry) return def;
    return ParseProfileInteger(entry->Value).value_or(def);
}

std::optional<int> ParseProfileInteger(std::string_view text) {
    int base = 10;
    bool negative = false;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
        base = 16;
    } else if (text.starts_with("x") || text.starts_with("X") || text.starts_with("$")) {
        text.remove_prefix(1);
        base = 16;
    } else if (text.starts_with("-") || text.starts_with("+")) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFLL) return std::nullopt;
    }
    if (base == 16) return static_cast<int>(static_cast<std::uint32_t>(value));   // 8 hex digits wrap as a 32-bit value
    if (negative) value = -value;
    if (value > 2147483647LL || value < -2147483648LL) return std::nullopt;
    return static_cast<int>(value);
}

bool ProfileIni::HasKey(std::string_view section, std::string_view key) const {
    return Find(section, key) != nullptr;
}

}  // namespace qx
