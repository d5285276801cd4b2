// The text rules the profile INI reader and writer share: blanks trimmed,
// names compared without regard to ASCII letter case, section header lines.
#pragma once

#include <algorithm>
#include <string_view>

namespace qx::profile_text {

inline std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\v\f";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// The section a trimmed line names ("[name]", a missing "]" tolerated);
// false for any other line.
inline bool SectionOf(std::string_view line, std::string_view& name) {
    if (line.empty() || line.front() != '[') return false;
    const auto close = line.find(']');
    name = Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return true;
}

}  // namespace qx::profile_text
