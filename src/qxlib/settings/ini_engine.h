// The station's own INI text engine: the whole settings file is held as one
// text, every get reads that text and every set rebuilds it, and a save writes
// it back. Window thread only: one document serves one caller at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qx {

class IniText {
public:
    IniText() = default;
    explicit IniText(std::string text);

    // Replaces the text with the file's content; a file that cannot be opened
    // gives an empty text. Line ends CR LF read as LF. Always 1.
    int IniLoadFile(const std::filesystem::path& path);
    // Writes the current text with CR LF line ends. A file that cannot be
    // created is not written; the result is still 1.
    int IniSaveFile(const std::filesystem::path& path) const;

    std::int32_t IniGetInt(std::string_view section, std::string_view key, std::int32_t def) const;
    std::uint64_t IniGetInt64(std::string_view section, std::string_view key, std::uint64_t def) const;
    std::string IniGetString(std::string_view section, std::string_view key, std::string_view def) const;
    bool HasKey(std::string_view section, std::string_view key) const;

    int IniSetString(std::string_view section, std::string_view key, std::string_view value);
    int IniSetInt(std::string_view section, std::string_view key, std::int32_t value);
    int IniSetInt64(std::string_view section, std::string_view key, std::uint64_t value);

    // The text in memory, lines ended by LF.
    const std::string& Text() const { return text_; }

private:
    bool FindValue(std::string_view section, std::string_view key, std::string& value) const;

    std::string text_;
};

// Reads the next line of text from cursor on (CRs dropped) and advances the
// cursor past its LF. False at the end of the text. A last line without LF is
// read like any other.
bool IniReadLine(std::string_view text, std::size_t& cursor, std::string& line);

// True when line is the key line of key: the key, optional blanks, then "=".
// Comparing only the key's length would let "UID" read "UIDAutoInc=".
bool IniIsKeyLine(std::string_view line, std::string_view key);

}  // namespace qx
