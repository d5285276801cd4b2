#include "utility/page_buttons.h"

#include "qxlib/programs/system_info.h"
#include "utility/drive_page_set.h"
#include "utility/main_form_logic.h"
#include "utility/pages/fw_debug_log.h"
#include "utility/pages/page_saves.h"
#include "utility/pages/smart_page.h"
#include "utility/utility_view.h"

namespace qx::utility {
namespace {

constexpr GridId kSmartGrid = GridId::StringGrid1;

void ShowSmartPage(UtilityView& view, const SmartPage& page) {
    for (std::size_t r = 0; r < kSmartGridRows; ++r)
        for (std::size_t c = 0; c < kSmartGridColumns; ++c)
            view.SetCell(kSmartGrid, static_cast<int>(r), static_cast<int>(c), page.StringGrid1[r][c]);
    view.SetLines(MemoId::SmartEccMemo, page.SmartEccMemo);
    view.SetLines(MemoId::SMARTMemo, page.SMARTMemo);
    view.SetCaption(CaptionId::GroupBox4, page.GroupBox4Caption);
}

PageSaveContext SaveContext(PageContext& ctx) { return {ctx.Prompter, ctx.SaveDialog, ctx.ProgramFolder}; }

}  // namespace

void PageButtons::GetSmartInfoBnClick() {
    PageContext ctx = logic_.CurrentDrive();
    SmartPage& page = logic_.Smart();
    if (GetSMARTInfo(ctx.Device, ctx.WorkBuffer, ctx.Info.HeaderInfoText, page)) ShowSmartPage(ctx.View, page);
    // Whether or not the read succeeded.
    ctx.View.SetEnabled(SwitchId::SaveSmartInfoBn, true);
    if (ctx.Settings.EnResetSmart != 0) {
        ctx.View.SetEnabled(SwitchId::ResetSmartInfoBn, true);
        ctx.View.SetVisible(SwitchId::ResetSmartInfoBn, true);
    }
}

void PageButtons::SaveSmartInfoBnClick() {
    PageContext ctx = logic_.CurrentDrive();
    utility::SaveSmartInfoBnClick(ctx.Prompter, ctx.SaveDialog, ctx.ProgramFolder, logic_.Smart().StringGrid1);
}

void PageButtons::ResetSmartInfoBnClick() {
    PageContext ctx = logic_.CurrentDrive();
    SmartPage& page = logic_.Smart();
    if (utility::ResetSmartInfoBnClick(ctx.Device, ctx.Prompter, ctx.WorkBuffer, ctx.Info.HeaderInfoText, page))
        ShowSmartPage(ctx.View, page);
}

void PageButtons::DetailSaveBnClick() {
    PageContext ctx = logic_.CurrentDrive();
    PageSaveContext save = SaveContext(ctx);
    utility::DetailSaveBnClick(save, ctx.View.Lines(MemoId::EraseMemo));
}

void PageButtons::SavebadblockinfoBnClick() {
    PageContext ctx = logic_.CurrentDrive();
    PageSaveContext save = SaveContext(ctx);
    utility::SavebadblockinfoBnClick(save, ctx.View.Lines(MemoId::BadBlockMemo));
}

void PageButtons::SavebadblockDetailBnClick() {
    PageContext ctx = logic_.CurrentDrive();
    PageSaveContext save = SaveContext(ctx);
    utility::SavebadblockDetailBnClick(save, ctx.View.Lines(MemoId::DetalBadInfoMemo));
}

void PageButtons::UartLogSaveBtnClick() {
    PageContext ctx = logic_.CurrentDrive();
    PageSaveContext save = SaveContext(ctx);
    utility::UartLogSaveBtnClick(save, ctx.View.Lines(MemoId::UartLogMemo));
}

void PageButtons::DbgErrLogSaveBtnClick() {
    PageContext ctx = logic_.CurrentDrive();
    PageSaveContext save = SaveContext(ctx);
    utility::DbgErrLogSaveBtnClick(save, ctx.View.Lines(MemoId::DbgErrLogMemo));
}

void PageButtons::ReadFwDebugMsgGDPClick() {
    PageContext ctx = logic_.CurrentDrive();
    ShowFwDebugLog(ctx.View, utility::ReadFwDebugMsgGDPClick(ctx.Device, ctx.ProgramFolder, ctx.QueryDramLayout == 1,
                                                             ctx.Config, ctx.LibrarySettings, ctx.WorkBuffer,
                                                             ctx.Prompter));
}

}  // namespace qx::utility
