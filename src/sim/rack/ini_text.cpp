#include "sim/rack/ini_text.h"

#include <cstdio>

namespace qx::sim {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

const std::string* IniSection::Find(std::string_view key) const {
    for (const auto& [k, v] : values)
        if (k == key) return &v;
    return nullptr;
}

std::vector<std::string> IniSection::All(std::string_view key) const {
    std::vector<std::string> out;
    for (const auto& [k, v] : values)
        if (k == key) out.push_back(v);
    return out;
}

std::vector<IniSection> ParseIni(std::string_view text) {
    std::vector<IniSection> out;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            out.push_back({std::string(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || out.empty()) continue;
        out.back().values.emplace_back(std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1))));
    }
    return out;
}

std::string WriteIni(const std::vector<IniSection>& sections) {
    std::string out;
    for (const auto& s : sections) {
        if (!out.empty()) out += '\n';
        out += '[' + s.name + "]\n";
        for (const auto& [k, v] : s.values) out += k + '=' + v + '\n';
    }
    return out;
}

std::string EscapeBytes(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string UnescapeBytes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace qx::sim
