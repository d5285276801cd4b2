// The station's own INI text engine: the whole settings file is held in
// memory, every get answers from it, every set changes it, and a save writes
// it back. The text is read once into lines grouped by section with an index
// of their keys, so a get or a set costs the same in a file of any size.
// Window thread only: one document serves one caller at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qx {

class IniText {
public:
    IniText() : IniText(std::string()) {}
    explicit IniText(std::string text);

    // Replaces the text with the file's content; a file that cannot be opened
    // gives an empty text. Line ends CR LF read as LF. Always 1.
    int IniLoadFile(const std::filesystem::path& path);
    // Writes the current text with CR LF line ends, replacing the file whole:
    // 1 when written, 0 when not (the old file is then kept as it was, and
    // anything but a regular file at path is refused unopened).
    int IniSaveFile(const std::filesystem::path& path) const;

    std::int32_t IniGetInt(std::string_view section, std::string_view key, std::int32_t def) const;
    std::uint64_t IniGetInt64(std::string_view section, std::string_view key, std::uint64_t def) const;
    std::string IniGetString(std::string_view section, std::string_view key, std::string_view def) const;
    bool HasKey(std::string_view section, std::string_view key) const;

    int IniSetString(std::string_view section, std::string_view key, std::string_view value);
    int IniSetInt(std::string_view section, std::string_view key, std::int32_t value);
    int IniSetInt64(std::string_view section, std::string_view key, std::uint64_t value);

    // The text in memory: as loaded until the first set, then every line
    // ended by LF.
    const std::string& Text() const;

private:
    // A line beginning with "[" and the lines up to the next such line; the
    // first block holds the lines before any "[" line and has no header.
    struct Block {
        std::string header;
        std::vector<std::string> lines;
        // Key of a line (up to its first "=", trailing blanks dropped) to the
        // first line with that key; built when the block is first searched.
        mutable std::unordered_map<std::string, std::size_t> keys;
        mutable bool indexed = false;
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    void Parse(std::string text);
    std::size_t FindBlock(std::string_view section) const;
    std::size_t FindLine(const Block& block, std::string_view key) const;
    bool FindValue(std::string_view section, std::string_view key, std::string& value) const;

    std::vector<Block> blocks_;                              // blocks_[0]: before any header
    std::unordered_map<std::string, std::size_t> sections_;   // header line to its first block
    bool empty_ = true;                                      // no text at all
    mutable std::string text_;
    mutable bool textCurrent_ = true;
};

// Reads the next line of text from cursor on (CRs dropped) and advances the
// cursor past its LF. False at the end of the text. A last line without LF is
// read like any other.
bool IniReadLine(std::string_view text, std::size_t& cursor, std::string& line);

// True when line is the key line of key: the key, optional blanks, then "=".
// Comparing only the key's length would let "UID" read "UIDAutoInc=".
bool IniIsKeyLine(std::string_view line, std::string_view key);

}  // namespace qx
