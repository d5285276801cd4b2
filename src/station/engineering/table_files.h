// The four file buttons of the "RD" page: each picks the text file a rebuild
// run saves a flash table to or loads it from, and keeps its own folder.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace qx {
struct GlobalParameter;
}
namespace qx::ui {
class Prompter;
}

namespace qx::station {

enum class TableFileButton { GetDefTab, PutDefTab, GetLaterTab, PutLaterTab };
inline constexpr std::size_t kTableFileButtonCount = 4;

// Longest path a table setting holds (its field keeps a terminating zero).
inline constexpr std::size_t kTablePathMax = 259;

struct TableFileButtonInfo {
    const char* ButtonName;
    const char* EditName;   // where the chosen name is shown
    bool SaveDialog;
    const char* Filter;
};

const TableFileButtonInfo& TableFileButtonOf(TableFileButton button);

// The folder each button's dialog opens in; empty until first used.
using TableFileFolders = std::array<std::string, kTableFileButtonCount>;

// Runs the button's dialog. nullopt on Cancel, or after a message when the
// chosen path is longer than a table setting holds. The button's folder
// starts at the program folder and follows the last choice.
std::optional<std::string> ChooseTableFile(TableFileButton button, TableFileFolders& folders,
                                           const std::string& programFolder, ui::Prompter& prompter);

// Copies the path into the button's setting (TableIn, TableOut, LaterTableIn,
// LaterTableOut).
void StoreTablePath(TableFileButton button, const std::string& path, GlobalParameter& settings);

}  // namespace qx::station
