#include "qxlib/settings/ini_engine.h"

#include <fstream>
#include <iterator>

namespace qx {
namespace {

std::string HeaderLine(std::string_view section) {
    std::string header;
    header.reserve(section.size() + 2);
    header += '[';
    header += section;
    header += ']';
    return header;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The leading decimal digits of text; wider values keep their low bits, as a
// field narrower than the number does.
template <typename T>
T LeadingDigits(std::string_view text) {
    T value = 0;
    for (char c : text) {
        if (!IsDigit(c)) break;
        value = static_cast<T>(value * 10u + static_cast<T>(c - '0'));
    }
    return value;
}

}  // namespace

IniText::IniText(std::string text) : text_(std::move(text)) {}

bool IniReadLine(std::string_view text, std::size_t& cursor, std::string& line) {
    if (cursor >= text.size()) return false;
    line.clear();
    while (cursor < text.size()) {
        char c = text[cursor++];
        if (c == '\n') break;
        if (c != '\r') line += c;
    }
    return true;
}

bool IniIsKeyLine(std::string_view line, std::string_view key) {
    if (line.size() <= key.size() || line.substr(0, key.size()) != key) return false;
    std::size_t i = key.size();
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return i < line.size() && line[i] == '=';
}

int IniText::IniLoadFile(const std::filesystem::path& path) {
    text_.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) return 1;
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text_.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        text_ += raw[i];
    }
    return 1;
}

int IniText::IniSaveFile(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return 1;
    std::string disk;
    disk.reserve(text_.size() + text_.size() / 16);
    for (char c : text_) {
        if (c == '\n') disk += '\r';
        disk += c;
    }
    out.write(disk.data(), static_cast<std::streamsize>(disk.size()));
    return 1;
}

bool IniText::FindValue(std::string_view section, std::string_view key, std::string& value) const {
    const std::string header = HeaderLine(section);
    std::size_t cursor = 0;
    std::string line;
    bool inSection = false;
    while (IniReadLine(text_, cursor, line)) {
        if (!inSection) {
            inSection = line == header;
            continue;
        }
        if (!line.empty() && line[0] == '[') return false;
        if (IniIsKeyLine(line, key)) {
            value = line.substr(line.find('=') + 1);
            return true;
        }
    }
    return false;
}

bool IniText::HasKey(std::string_view section, std::string_view key) const {
    std::string value;
    return FindValue(section, key, value);
}

std::int32_t IniText::IniGetInt(std::string_view section, std::string_view key, std::int32_t def) const {
    std::string value;
    if (!FindValue(section, key, value) || value.empty()) return def;
    if (value[0] == '-') {
        const auto magnitude = LeadingDigits<std::uint32_t>(std::string_view(value).substr(1));
        return static_cast<std::int32_t>(0u - magnitude);
    }
    return static_cast<std::int32_t>(LeadingDigits<std::uint32_t>(value));
}

std::uint64_t IniText::IniGetInt64(std::string_view section, std::string_view key, std::uint64_t def) const {
    std::string value;
    if (!FindValue(section, key, value) || value.empty()) return def;
    return LeadingDigits<std::uint64_t>(value);
}

std::string IniText::IniGetString(std::string_view section, std::string_view key, std::string_view def) const {
    std::string value;
    if (!FindValue(section, key, value)) return std::string(def);
    return value;
}

int IniText::IniSetString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string header = HeaderLine(section);
    std::string keyLine;
    keyLine.reserve(key.size() + 1 + value.size());
    keyLine += key;
    keyLine += '=';
    keyLine += value;

    std::string out;
    out.reserve(text_.size() + keyLine.size() + header.size() + 3);
    auto put = [&out](std::string_view l) {
        out += l;
        out += '\n';
    };
    if (text_.empty()) {
        put(header);
        put(keyLine);
        text_ = std::move(out);
        return 1;
    }

    std::size_t cursor = 0;
    std::string line;
    bool inSection = false;
    bool written = false;
    while (IniReadLine(text_, cursor, line)) {
        if (written) {
            put(line);
        } else if (!inSection) {
            put(line);
            inSection = line == header;
        } else if (IniIsKeyLine(line, key)) {
            put(keyLine);
            written = true;
        } else if (!line.empty() && line[0] == '[') {
            put(keyLine);
            put(line);
            written = true;
        } else {
            put(line);
        }
    }
    if (!written) {
        if (!inSection) {
            put("");
            put(header);
        }
        put(keyLine);
    }
    text_ = std::move(out);
    return 1;
}

int IniText::IniSetInt(std::string_view section, std::string_view key, std::int32_t value) {
    return IniSetString(section, key, std::to_string(value));
}

int IniText::IniSetInt64(std::string_view section, std::string_view key, std::uint64_t value) {
    return IniSetString(section, key, std::to_string(value));
}

}  // namespace qx
