// A small reader for the profile-style INI files the programs share (flash part
// list, layout, yield counters, the utility's own file). It follows the rules
// those files were written for: section and key names compare without regard
// to letter case, values are trimmed of blanks, the first of two equal keys
// wins, lines without "=" are ignored, and CR LF and LF line ends both work.
// It never rewrites or reinterprets a value.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

class ProfileIni {
public:
    // A missing or unreadable file reads as a file without keys.
    static ProfileIni Load(const std::filesystem::path& path);
    static ProfileIni FromText(std::string_view text);

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // The value as an integer (ParseProfileInteger); def when the key is
    // missing or its value does not convert.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool HasKey(std::string_view section, std::string_view key) const;

private:
    struct Entry {
        std::string Section;
        std::string Key;
        std::string Value;
    };
    const Entry* Find(std::string_view section, std::string_view key) const;

    std::vector<Entry> entries_;
};

// Decimal with an optional sign, or hexadecimal after "0x", "0X", "x", "X"
// or "$"; the whole text must convert and fit an int.
std::optional<int> ParseProfileInteger(std::string_view text);

}  // namespace qx
