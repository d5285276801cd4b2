#include "utility/debug_page_buttons.h"

#include <string>
#include <vector>

#include "utility/main_form_logic.h"
#include "utility/pages/debug_tool_page.h"
#include "utility/pages/page_saves.h"
#include "utility/utility_view.h"

namespace qx::utility {
namespace {

constexpr char kEnter = 13;

PageReadEntries EntriesOf(const UtilityView& view) {
    return {view.Text(EditId::DbgChLEdit),   view.Text(EditId::DbgBankLEdit),      view.Text(EditId::DbgBlockLEdit),
            view.Text(EditId::DbgPageLEdit), view.Text(EditId::DbgBlockUnitLEdit), view.Checked(CheckId::Ecc24Ck)};
}

}  // namespace

void DebugPageButtons::DebugEditKeyPress(char key) {
    if (key != kEnter) return;
    PageContext ctx = logic_.CurrentDrive();
    std::string text = ctx.View.Text(EditId::DebugEdit);
    const std::vector<std::string> added = utility::DebugEditKeyPress(ctx.Device, key, text, ctx.WorkBuffer);
    std::vector<std::string> lines = ctx.View.Lines(MemoId::DebugMemo);
    lines.insert(lines.end(), added.begin(), added.end());
    ctx.View.SetLines(MemoId::DebugMemo, lines);
    ctx.View.SetText(EditId::DebugEdit, text);
}

void DebugPageButtons::DbgSysReadPageClick() {
    PageContext ctx = logic_.CurrentDrive();
    ctx.View.SetLines(MemoId::DebugMemo2, utility::DbgSysReadPageClick(ctx.Device, ctx.Config, EntriesOf(ctx.View), ctx.Prompter));
}

void DebugPageButtons::DbgLDReadPageClick() {
    PageContext ctx = logic_.CurrentDrive();
    ctx.View.SetLines(MemoId::DebugMemo2, utility::DbgLDReadPageClick(ctx.Device, ctx.Config, EntriesOf(ctx.View), ctx.Prompter));
}

void DebugPageButtons::SaveReadPageBnClick() {
    PageContext ctx = logic_.CurrentDrive();
    PageSaveContext save{ctx.Prompter, ctx.SaveDialog, ctx.ProgramFolder};
    utility::SaveReadPageBnClick(save, ctx.View.Lines(MemoId::DebugMemo2));
}

void DebugPageButtons::JumpToLoaderClick() { utility::JumpToLoaderClick(logic_.CurrentDrive().Device); }

void DebugPageButtons::LoadGDPBnClick() {
    PageContext ctx = logic_.CurrentDrive();
    utility::LoadGDPBnClick(ctx.Device, ctx.Config, ctx.LibrarySettings);
}

void DebugPageButtons::DecodeLogFileBnClick() {
    PageContext ctx = logic_.CurrentDrive();
    utility::DecodeLogFileBnClick(ctx.Prompter, openDialog_, ctx.ProgramFolder);
}

}  // namespace qx::utility
