#include "utility/drive_page_set.h"

#include <string>
#include <vector>

#include "qxlib/settings/flash_config.h"
#include "qxlib/tables/drive_tables.h"
#include "utility/page_index.h"
#include "utility/pages/bad_block_page.h"
#include "utility/pages/erase_count_page.h"
#include "utility/pages/fw_debug_log.h"
#include "utility/pages/identity_page.h"
#include "utility/pages/ssd_info_page.h"
#include "utility/utility_settings.h"
#include "utility/utility_view.h"

namespace qx::utility {
namespace {

template <typename Texts>
struct EditField {
    EditId control;
    std::string Texts::*text;
};

constexpr EditField<SataIdentityTexts> kSataEdits[] = {
    {EditId::ModelNameEdit, &SataIdentityTexts::ModelNameEdit},
    {EditId::SNEdit, &SataIdentityTexts::SNEdit},
    {EditId::FwVersionEdit, &SataIdentityTexts::FwVersionEdit},
    {EditId::DiskHeadEdit, &SataIdentityTexts::DiskHeadEdit},
    {EditId::ChsEdit, &SataIdentityTexts::ChsEdit},
    {EditId::TotalSectorEdit, &SataIdentityTexts::TotalSectorEdit},
    {EditId::MultiwordDMAmodeEdit, &SataIdentityTexts::MultiwordDMAmodeEdit},
    {EditId::MultiwordDMAEdit, &SataIdentityTexts::MultiwordDMAEdit},
    {EditId::UltraDMAModeEdit, &SataIdentityTexts::UltraDMAModeEdit},
    {EditId::UltraDMAEdit, &SataIdentityTexts::UltraDMAEdit},
    {EditId::SMARTfeatureEdit, &SataIdentityTexts::SMARTfeatureEdit},
    {EditId::SecurityModeEdit, &SataIdentityTexts::SecurityModeEdit},
    {EditId::WWNEdit, &SataIdentityTexts::WWNEdit},
};

constexpr EditField<UsbIdentityTexts> kUsbEdits[] = {
    {EditId::CapEdit, &UsbIdentityTexts::CapEdit},
    {EditId::TotalLBAEdit, &UsbIdentityTexts::TotalLBAEdit},
    {EditId::VIDEdit, &UsbIdentityTexts::VIDEdit},
    {EditId::PIDEdit, &UsbIdentityTexts::PIDEdit},
    {EditId::VendorNameEdit, &UsbIdentityTexts::VendorNameEdit},
    {EditId::ProductNameEdit, &UsbIdentityTexts::ProductNameEdit},
    {EditId::ManufacturStringEdit, &UsbIdentityTexts::ManufacturStringEdit},
    {EditId::ProductStringEdit, &UsbIdentityTexts::ProductStringEdit},
    {EditId::SNUSBEdit, &UsbIdentityTexts::SNUSBEdit},
};

constexpr EditField<SsdInfoTexts> kSsdInfoEdits[] = {
    {EditId::FlashmodelEdit, &SsdInfoTexts::FlashmodelEdit},
    {EditId::ChannelEdit, &SsdInfoTexts::ChannelEdit},
    {EditId::CapacityEdit, &SsdInfoTexts::CapacityEdit},
    {EditId::DriverEdit, &SsdInfoTexts::DriverEdit},
    {EditId::ResPerEdit, &SsdInfoTexts::ResPerEdit},
    {EditId::EccReadEdit, &SsdInfoTexts::EccReadEdit},
    {EditId::EccCopyEdit, &SsdInfoTexts::EccCopyEdit},
    {EditId::WearLevelingEdit, &SsdInfoTexts::WearLevelingEdit},
    {EditId::BankMapEdit, &SsdInfoTexts::BankMapEdit},
    {EditId::FwEdit, &SsdInfoTexts::FwEdit},
    {EditId::SupportEdit1, &SsdInfoTexts::SupportEdit1},
    {EditId::SupportEdit2, &SsdInfoTexts::SupportEdit2},
    {EditId::FlashInfoEdit, &SsdInfoTexts::FlashInfoEdit},
    {EditId::FlashTypeEdit, &SsdInfoTexts::FlashTypeEdit},
    {EditId::BlockCeEdit, &SsdInfoTexts::BlockCeEdit},
    {EditId::PageBlockEdit, &SsdInfoTexts::PageBlockEdit},
    {EditId::CeEdit, &SsdInfoTexts::CeEdit},
};

template <typename Texts, std::size_t N>
void SetEdits(UtilityView& view, const EditField<Texts> (&fields)[N], const Texts& texts) {
    for (const EditField<Texts>& f : fields) view.SetText(f.control, texts.*f.text);
}

// The bad-block report's own table buffer: what a failed table read leaves
// there is zeros, never what an earlier step read.
constexpr std::size_t kTableBufferSize = 128 * 1024;

}  // namespace

// The Device Info page shows the group its path fills: the SATA group from
// IDENTIFY, or for a drive on the controller's own USB the USB group.
static void ShowIdentityGroup(UtilityView& view, bool usb) {
    view.SetVisible(SwitchId::GroupBox3, !usb);
    view.SetVisible(SwitchId::GroupBox9, usb);
}

void DrivePageSet::ParseInfo(PageContext& ctx) {
    SetEdits(ctx.View, kSataEdits, utility::ParseInfo(ctx.Device, ctx.WorkBuffer));
    ShowIdentityGroup(ctx.View, false);
}

void DrivePageSet::ParseUSBInfo(PageContext& ctx) {
    SetEdits(ctx.View, kUsbEdits, utility::ParseUSBInfo(ctx.Device, ctx.Config, ctx.BinFiles, ctx.Info, ctx.WorkBuffer));
    ShowIdentityGroup(ctx.View, true);
}

void DrivePageSet::ShowSSDInfo(PageContext& ctx) {
    const SsdInfoTexts texts = utility::ShowSSDInfo(ctx.Device, ctx.Config, ctx.Info);
    SetEdits(ctx.View, kSsdInfoEdits, texts);
    ctx.View.SetLines(MemoId::SSDInfoMemo, texts.SSDInfoMemo);
}

void DrivePageSet::ProcessBadBlockInfo(PageContext& ctx) {
    std::vector<std::uint8_t> tableBuffer(kTableBufferSize, 0);
    TableContext tables{ctx.Config, ctx.LibrarySettings, ctx.BinFiles, ctx.Info, tableBuffer};
    const BadBlockPage page = utility::ProcessBadBlockInfo(ctx.Device, tables, ctx.Settings.EnRemapRelation != 0);
    ctx.View.SetLines(MemoId::BadBlockMemo, page.BadBlockMemo);
    ctx.View.SetLines(MemoId::DetalBadInfoMemo, page.DetalBadInfoMemo);
}

void DrivePageSet::GetEraseCount(PageContext& ctx) {
    const EraseCountPage page = utility::GetEraseCount(ctx.Device, ctx.Config, ctx.Info, ctx.WorkBuffer);
    ctx.View.SetLines(MemoId::EraseMemo, page.EraseMemo);
    ctx.View.SetText(EditId::AeraseEdit, page.AeraseEdit);
    ctx.View.SetText(EditId::MeraseEdit, page.MeraseEdit);
}

void DrivePageSet::ShowFWDebugMessage(PageContext& ctx, int mode) {
    ShowFwDebugLog(ctx.View, utility::ShowFWDebugMessage(ctx.Device, static_cast<std::uint8_t>(mode),
                                                         ctx.QueryDramLayout == 1, ctx.Config, ctx.LibrarySettings,
                                                         ctx.WorkBuffer, ctx.Prompter));
}

void ShowFwDebugLog(UtilityView& view, const FwDebugLogPage& page) {
    if (page.TabSheet8Visible) view.SetPageVisible(kPageUartLog, true);
    if (page.UartLogMemo.empty()) return;
    std::vector<std::string> lines = view.Lines(MemoId::UartLogMemo);
    lines.insert(lines.end(), page.UartLogMemo.begin(), page.UartLogMemo.end());
    view.SetLines(MemoId::UartLogMemo, lines);
}

}  // namespace qx::utility
