#include "utility/pages/page_saves.h"

#include "utility/pages/saved_page_text.h"

namespace qx::utility {
namespace {

bool Save(PageSaveContext& s, const char* name, const std::vector<std::string>& lines) {
    return SavePageText(s.prompter, s.dialog, s.programFolder, name, lines);
}

}  // namespace

bool DetailSaveBnClick(PageSaveContext& s, const std::vector<std::string>& lines) { return Save(s, "EraseCount", lines); }
bool SavebadblockinfoBnClick(PageSaveContext& s, const std::vector<std::string>& lines) {
    return Save(s, "BadBlock", lines);
}
bool SavebadblockDetailBnClick(PageSaveContext& s, const std::vector<std::string>& lines) {
    return Save(s, "BadBlockDetail", lines);
}
bool UartLogSaveBtnClick(PageSaveContext& s, const std::vector<std::string>& lines) { return Save(s, "UartLog", lines); }
bool DbgErrLogSaveBtnClick(PageSaveContext& s, const std::vector<std::string>& lines) {
    return Save(s, "DbgErrLog", lines);
}
bool SaveReadPageBnClick(PageSaveContext& s, const std::vector<std::string>& lines) { return Save(s, "ReadPage", lines); }

}  // namespace qx::utility
