// The pages' save buttons (and the hot keys that reach them): each saves one
// memo through the save dialog under its default name.
#pragma once

#include <string>
#include <vector>

namespace qx::ui {
class Prompter;
}

namespace qx::utility {

struct SaveDialogState;

// Everything a save needs besides the memo.
struct PageSaveContext {
    ui::Prompter& prompter;
    SaveDialogState& dialog;
    std::string programFolder;
};

bool DetailSaveBnClick(PageSaveContext& save, const std::vector<std::string>& eraseMemo);               // "EraseCount"
bool SavebadblockinfoBnClick(PageSaveContext& save, const std::vector<std::string>& badBlockMemo);       // "BadBlock"
bool SavebadblockDetailBnClick(PageSaveContext& save, const std::vector<std::string>& detalBadInfoMemo); // "BadBlockDetail"
bool UartLogSaveBtnClick(PageSaveContext& save, const std::vector<std::string>& uartLogMemo);           // "UartLog"
bool DbgErrLogSaveBtnClick(PageSaveContext& save, const std::vector<std::string>& dbgErrLogMemo);       // "DbgErrLog"
bool SaveReadPageBnClick(PageSaveContext& save, const std::vector<std::string>& debugMemo2);            // "ReadPage"

}  // namespace qx::utility
