#include "ui/profile_ini_editor.h"

#include <algorithm>
#include <optional>

#include "platform/file_bytes.h"
#include "platform/file_replace.h"
#include "ui/profile_text.h"

namespace qx {
namespace {

using profile_text::EqualNoCase;
using profile_text::Trim;

// The section a header line names; false for any other line.
bool SectionOf(std::string_view line, std::string_view& name) {
    return profile_text::SectionOf(Trim(line), name);
}

bool KeyOf(std::string_view line, std::string_view& key) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    key = Trim(line.substr(0, equals));
    return true;
}

}  // namespace

ProfileIniEditor ProfileIniEditor::Load(const std::filesystem::path& path) {
    const std::optional<std::string> text = platform::ReadFileBytes(path);
    return text ? FromText(*text) : ProfileIniEditor{};
}

ProfileIniEditor ProfileIniEditor::FromText(std::string_view text) {
    ProfileIniEditor editor;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        editor.lines_.emplace_back(line);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return editor;
}

void ProfileIniEditor::EraseSection(std::string_view section) {
    std::vector<std::string> kept;
    bool erasing = false;
    for (std::string& line : lines_) {
        std::string_view name;
        if (SectionOf(line, name)) erasing = EqualNoCase(name, section);
        if (!erasing) kept.push_back(std::move(line));
    }
    lines_ = std::move(kept);
}

void ProfileIniEditor::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string entry = std::string(key) + "=" + std::string(value);
    bool inSection = false;
    std::size_t sectionEnd = lines_.size();   // after the section's last non-blank line
    bool found = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (SectionOf(lines_[i], name)) {
            if (inSection) break;
            inSection = EqualNoCase(name, section);
            if (inSection) {
                found = true;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        std::string_view k;
        if (KeyOf(lines_[i], k) && EqualNoCase(k, key)) {
            lines_[i] = std::move(entry);
            return;
        }
        if (!Trim(lines_[i]).empty()) sectionEnd = i + 1;
    }
    if (found) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd), std::move(entry));
        return;
    }
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::move(entry));
}

void ProfileIniEditor::WriteInteger(std::string_view section, std::string_view key, long long value) {
    WriteString(section, key, std::to_string(value));
}

std::string ProfileIniEditor::Text() const {
    std::string text;
    for (const std::string& line : lines_) text += line + "\r\n";
    return text;
}

bool ProfileIniEditor::Save(const std::filesystem::path& path) const {
    return platform::ReplaceFileWhole(path, Text());
}

}  // namespace qx
