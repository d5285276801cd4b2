// The rack description's text format: "[section]" lines and "key=value"
// lines; a key may repeat; lines starting with ';' or '#' are comments.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qx::sim {

struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;

    const std::string* Find(std::string_view key) const;   // first match
    std::vector<std::string> All(std::string_view key) const;
};

std::vector<IniSection> ParseIni(std::string_view text);
std::string WriteIni(const std::vector<IniSection>& sections);

// Byte strings in values: printable characters as they are, others and '%'
// as %HH.
std::string EscapeBytes(std::string_view bytes);
std::string UnescapeBytes(std::string_view text);

}  // namespace qx::sim
