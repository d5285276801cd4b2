#include "qxlib/settings/ini_engine.h"

#include <algorithm>
#include <optional>

#include "platform/file_bytes.h"
#include "platform/file_replace.h"
#include "qxlib/base/debug_print.h"

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
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

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

// The key a line gives: its text up to the first "=", blanks before the "="
// dropped; none for a line without "=".
bool LineKey(std::string_view line, std::string_view& key) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    std::size_t end = eq;
    while (end > 0 && IsBlank(line[end - 1])) --end;
    key = line.substr(0, end);
    return true;
}

// A plain key (no "=", no trailing blank) matches a line exactly when it
// equals the line's key, as IniIsKeyLine decides, so the index answers for
// it. Other keys are looked for line by line.
bool PlainKey(std::string_view key) {
    return key.find('=') == std::string_view::npos && (key.empty() || !IsBlank(key.back()));
}

}  // namespace

IniText::IniText(std::string text) { Parse(std::move(text)); }

bool IniReadLine(std::string_view text, std::size_t& cursor, std::string& line) {
    if (cursor >= text.size()) return false;
    const std::size_t end = std::min(text.find('\n', cursor), text.size());
    line.assign(text.substr(cursor, end - cursor));
    std::erase(line, '\r');
    cursor = end + 1;
    return true;
}

bool IniIsKeyLine(std::string_view line, std::string_view key) {
    if (line.size() <= key.size() || line.substr(0, key.size()) != key) return false;
    std::size_t i = key.size();
    while (i < line.size() && IsBlank(line[i])) ++i;
    return i < line.size() && line[i] == '=';
}

void IniText::Parse(std::string text) {
    blocks_.assign(1, Block{});
    sections_.clear();
    empty_ = text.empty();
    std::size_t cursor = 0;
    std::string line;
    while (IniReadLine(text, cursor, line)) {
        if (!line.empty() && line[0] == '[') {
            sections_.try_emplace(line, blocks_.size());
            blocks_.push_back(Block{line, {}, {}, false});
        } else {
            blocks_.back().lines.push_back(line);
        }
    }
    text_ = std::move(text);
    textCurrent_ = true;
}

const std::string& IniText::Text() const {
    if (textCurrent_) return text_;
    std::size_t size = 0;
    for (const Block& b : blocks_) {
        size += b.header.size() + 1;
        for (const std::string& l : b.lines) size += l.size() + 1;
    }
    text_.clear();
    text_.reserve(size);
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        if (i != 0) (text_ += blocks_[i].header) += '\n';
        for (const std::string& l : blocks_[i].lines) (text_ += l) += '\n';
    }
    textCurrent_ = true;
    return text_;
}

int IniText::IniLoadFile(const std::filesystem::path& path) {
    // A file that cannot be read (missing, a folder of that name, no
    // permission) loads as an empty one; a folder's seek end is no size.
    std::string raw = platform::ReadFileBytes(path).value_or(std::string());
    // CR LF becomes LF, in place.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        raw[kept++] = raw[i];
    }
    raw.resize(kept);
    Parse(std::move(raw));
    return 1;
}

int IniText::IniSaveFile(const std::filesystem::path& path) const {
    const std::string& text = Text();
    std::string disk;
    disk.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') disk += '\r';
        disk += c;
    }
    // Written beside the old file and renamed over it: a full disk or a
    // failed write leaves the old settings whole, never a cut file.
    std::string why;
    if (platform::ReplaceFileWhole(path, disk, &why)) return 1;
    DebugPrint("FAILED(IniSaveFile) '%s': %s\r\n", path.c_str(), why.c_str());
    return 0;
}

std::size_t IniText::FindBlock(std::string_view section) const {
    const auto it = sections_.find(HeaderLine(section));
    return it == sections_.end() ? kNone : it->second;
}

std::size_t IniText::FindLine(const Block& block, std::string_view key) const {
    if (!PlainKey(key)) {
        for (std::size_t i = 0; i < block.lines.size(); ++i)
            if (IniIsKeyLine(block.lines[i], key)) return i;
        return kNone;
    }
    if (!block.indexed) {
        block.keys.clear();
        block.keys.reserve(block.lines.size());
        std::string_view lineKey;
        for (std::size_t i = 0; i < block.lines.size(); ++i)
            if (LineKey(block.lines[i], lineKey)) block.keys.try_emplace(std::string(lineKey), i);
        block.indexed = true;
    }
    const auto it = block.keys.find(std::string(key));
    return it == block.keys.end() ? kNone : it->second;
}

bool IniText::FindValue(std::string_view section, std::string_view key, std::string& value) const {
    const std::size_t b = FindBlock(section);
    if (b == kNone) return false;
    const std::size_t i = FindLine(blocks_[b], key);
    if (i == kNone) return false;
    const std::string& line = blocks_[b].lines[i];
    value = line.substr(line.find('=') + 1);
    return true;
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

// The key line replaces the section's line of that key, or ends the section;
// a section not in the text is appended after an empty line (none when the
// text was empty).
int IniText::IniSetString(std::string_view section, std::string_view key, std::string_view value) {
    std::string keyLine;
    keyLine.reserve(key.size() + 1 + value.size());
    keyLine += key;
    keyLine += '=';
    keyLine += value;
    textCurrent_ = false;

    std::size_t b = FindBlock(section);
    if (b == kNone) {
        if (!empty_) blocks_.back().lines.emplace_back();
        b = blocks_.size();
        blocks_.push_back(Block{HeaderLine(section), {}, {}, false});
        sections_.try_emplace(blocks_.back().header, b);
    }
    empty_ = false;
    Block& block = blocks_[b];
    const std::size_t i = FindLine(block, key);
    if (i != kNone) {
        block.lines[i] = std::move(keyLine);
    } else {
        block.lines.push_back(std::move(keyLine));
        if (block.indexed && PlainKey(key)) block.keys.try_emplace(std::string(key), block.lines.size() - 1);
    }
    // A line of a key that is not plain may come first for another key now.
    if (!PlainKey(key)) block.indexed = false;
    return 1;
}

int IniText::IniSetInt(std::string_view section, std::string_view key, std::int32_t value) {
    return IniSetString(section, key, std::to_string(value));
}

int IniText::IniSetInt64(std::string_view section, std::string_view key, std::uint64_t value) {
    return IniSetString(section, key, std::to_string(value));
}

}  // namespace qx
