#include "station/engineering/table_files.h"

#include <cstring>

#include "qxlib/settings/global_parameter.h"
#include "ui/prompter.h"

namespace qx::station {

namespace {

constexpr std::array<TableFileButtonInfo, kTableFileButtonCount> kButtons{{
    {"GetDefTabBtn", "TableInEdit", true, "Def. Table (*.txt)|*.txt"},
    {"PutDefTabBtn", "TableOutEdit", false, "Def. Table (*.txt)|*.txt"},
    {"GetLaterTabBtn", "LaterTableInEdit", true, "Later Table (*.txt)|*.txt"},
    // The later table is picked in a save dialog too; nothing is written here.
    {"PutLaterTabBtn", "LaterTableOutEdit", true, "Later Table (*.txt)|*.txt"},
}};

std::size_t IndexOf(TableFileButton button) { return static_cast<std::size_t>(button); }

std::string FolderOf(const std::string& path) {
    const auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace

const TableFileButtonInfo& TableFileButtonOf(TableFileButton button) { return kButtons[IndexOf(button)]; }

std::optional<std::string> ChooseTableFile(TableFileButton button, TableFileFolders& folders,
                                           const std::string& programFolder, ui::Prompter& prompter) {
    const TableFileButtonInfo& info = TableFileButtonOf(button);
    std::string& folder = folders[IndexOf(button)];
    if (folder.empty()) folder = programFolder;
    ui::FileRequest request;
    request.kind = info.SaveDialog ? ui::FileDialogKind::Save : ui::FileDialogKind::Open;
    request.folder = folder;
    request.filter = info.Filter;
    request.defaultExt = ".txt";
    const auto chosen = prompter.File(request);
    if (!chosen) return std::nullopt;
    const std::string where = FolderOf(*chosen);
    if (!where.empty()) folder = where;
    if (chosen->size() > kTablePathMax) {
        prompter.Error("The file name is longer than " + std::to_string(kTablePathMax) + " characters.");
        return std::nullopt;
    }
    return chosen;
}

void StoreTablePath(TableFileButton button, const std::string& path, GlobalParameter& settings) {
    char* field = nullptr;
    switch (button) {
    case TableFileButton::GetDefTab: field = settings.TableIn; break;
    case TableFileButton::PutDefTab: field = settings.TableOut; break;
    case TableFileButton::GetLaterTab: field = settings.LaterTableIn; break;
    case TableFileButton::PutLaterTab: field = settings.LaterTableOut; break;
    }
    const std::size_t n = path.size() < kTablePathMax ? path.size() : kTablePathMax;
    std::memset(field, 0, kTablePathMax + 1);
    std::memcpy(field, path.data(), n);
}

}  // namespace qx::station
