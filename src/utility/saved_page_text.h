// How a page's memo is saved: the form's one save dialog (starting in the
// program folder, the page's default name, extension "txt", filter "*.txt"),
// then every line written as 8-bit text ending in CR LF, the file replaced.
// A cancel writes nothing; no message either way.
#pragma once

#include <string>
#include <vector>

namespace qx::ui {
class Prompter;
}

namespace qx::utility {

// True when a file was written.
bool SavePageText(ui::Prompter& prompter, const std::string& folder, const std::string& defaultName,
                  const std::vector<std::string>& lines);

// The memo's lines as the file holds them.
std::string PageFileText(const std::vector<std::string>& lines);

}  // namespace qx::utility
