// Saving a page's memo as a text file: the window's one save dialog, asked
// through the prompter, then the memo's lines as 8-bit text, each ended with
// CR LF, replacing the chosen file. Nothing is written on cancel and no
// message is shown either way.
#pragma once

#include <string>
#include <vector>

namespace qx::ui {
class Prompter;
}

namespace qx::utility {

// The save dialog's state that lasts between saves: its folder starts empty
// and is set to the program folder at the first save.
struct SaveDialogState {
    std::string initialFolder;
};

// The file bytes of memo lines: every line, the last included, ends in CR LF.
std::string SavedPageBytes(const std::vector<std::string>& lines);

// Asks for a file name (default name, extension "txt", filter "*.txt") and
// writes the lines there. True when a file was written; false on cancel or
// when the file could not be written.
bool SavePageText(ui::Prompter& prompter, SaveDialogState& dialog, const std::string& programFolder,
                  const std::string& defaultName, const std::vector<std::string>& lines);

// Writes bytes to path, replacing the file. False when it cannot be written.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace qx::utility
