// Writes profile-style INI files back the way the programs' files expect: a
// key is replaced where it stands, a new key goes to the end of its section,
// a new section to the end of the file, and everything else (other sections,
// comments, line order) is kept. Names compare without regard to letter case,
// as the reader's do. Saved through a temporary file and a rename, so a
// failed save never leaves half a file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

class ProfileIniEditor {
public:
    // A missing file starts empty.
    static ProfileIniEditor Load(const std::filesystem::path& path);
    static ProfileIniEditor FromText(std::string_view text);

    void EraseSection(std::string_view section);
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, long long value);

    std::string Text() const;   // lines ended with CR LF
    bool Save(const std::filesystem::path& path) const;

private:
    std::vector<std::string> lines_;
};

}  // namespace qx
