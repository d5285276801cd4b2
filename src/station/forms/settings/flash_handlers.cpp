// The flash choice on the "Flash Setting" page and the firmware files that
// follow from it.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

#include <array>

#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/flash_geometry.h"
#include "qxlib/settings/global_parameter.h"
#include "station/flash_part_list.h"
#include "station/forms/form_text.h"
#include "station/forms/settings/settings_area.h"
#include "station/settings/firmware_files.h"
#include "station/settings/firmware_names.h"
#include "station/settings/flash_selection.h"
#include "station/settings/settings_window_state.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

constexpr char kSlcHint[] = "SLC mode enabled";
constexpr double kLargeCapacityGB = 200;

}  // namespace

void SettingsArea::UpdateFlashList(bool fromVendorBox) {
    auto* parts = Find<QComboBox>("FlashCodeCmBx");
    parts->clear();
    const int vendor = Find<QComboBox>("FlashVendorCmbx")->currentIndex();
    const FlashPartList& list = stores_.Parts;
    if (vendor < 0 || vendor >= list.VendorCount()) {
        prompter_.Message("Please select a valid Flash Vendor!");
        return;
    }
    const auto v = static_cast<std::size_t>(vendor);
    for (int p = list.FlashVendorStart[v]; p < list.FlashVendorStart[v + 1]; ++p)
        parts->addItem(Q(FlashPartItemText(list.FlashPartTable[static_cast<std::size_t>(p)])));
    parts->setCurrentIndex(fromVendorBox ? 0 : stores_.Window.ChosenFlashCodeIndex);
    if (fromVendorBox) FlashInfoChange();
}

void SettingsArea::FlashInfoChange() {
    const auto part = PartOfItem(stores_.Parts, Find<QComboBox>("FlashVendorCmbx")->currentIndex(),
                                 Find<QComboBox>("FlashCodeCmBx")->currentIndex());
    const auto* channel = Find<QComboBox>("FlashChanCmBx");
    const auto* bank = Find<QComboBox>("FlashBankCmBx");
    // Without a part, a channel count or a bank count there is no flash to
    // configure; the page is still taken and the check list renewed.
    const bool chosen = part && channel->currentIndex() >= 0 && bank->currentIndex() >= 0;
    if (chosen)
        SetStatus(0, FlashStatusText(stores_.Parts.FlashPartTable[static_cast<std::size_t>(*part)],
                                     channel->currentText().toInt(), bank->currentText().toInt()));
    FormToGlobalParameter();
    if (chosen) {
        ChangeGlobalParameter();
        GlobalParameterToForm();
        ShowCapacity();
    }
    FunCheckListBoxClickCheck();
}

void SettingsArea::ChangeGlobalParameter() {
    auto* memo = Find<QPlainTextEdit>("FlashDetailMemo");
    memo->clear();
    const auto& table = stores_.Parts.FlashPartTable;
    if (table.empty()) return;
    const int p = FindFlashPartIndex(table, FixedTextView(stores_.Settings.FlashUniName));
    ApplyGlobalParameter(stores_.Config, table[static_cast<std::size_t>(p)], stores_.Settings);
    for (const std::string& line : FlashDetailLines(stores_.Config)) memo->appendPlainText(Q(line));
}

void SettingsArea::ShowCapacity() {
    const CapacityView view = CalcCapacityView(CalcDiskCapacity(stores_.Config), stores_.Settings.EnLowPage == 1);
    auto* decimal = Find<QLineEdit>("CapacityEdit");
    auto* binary = Find<QLineEdit>("CapacityEdit2");
    decimal->setText(Q(view.DecimalText));
    binary->setText(Q(view.BinaryText));
    // The hint goes with the mode, so it never outlives it.
    decimal->setToolTip(view.SlcHint ? kSlcHint : "");
    binary->setToolTip(view.SlcHint ? kSlcHint : "");
    stores_.Window.LargeCapacityFlag = view.BinaryGB > kLargeCapacityGB;
}

void SettingsArea::CalcIDEMAToRatioBnClick() {
    const IdemaOutcome outcome = CalcIdemaRatio(S(Find<QLineEdit>("IDEMAEdit")->text()), stores_.Config,
                                                stores_.Settings.EnLowPage == 1);
    if (!outcome.Ratio) {
        prompter_.Message(outcome.Message);
        return;
    }
    Find<QLineEdit>("IDEMARatio")->setText(QString::number(*outcome.Ratio));
    stores_.Settings.ResPercentage = *outcome.Ratio;
    FlashInfoChange();
}

void SettingsArea::RestoreReservedRatioClick() {
    Find<QLineEdit>("IDEMAEdit")->clear();
    Find<QLineEdit>("IDEMARatio")->clear();
    stores_.Settings.ResPercentage = kDefaultResPercentage;
    FlashInfoChange();
}

void SettingsArea::CheckProgramImages() { qx::station::CheckProgramImages(stores_.Window, prompter_); }

void SettingsArea::BinFileChkClick() {
    ChangeGlobalParameter();
    const bool sata = Find<QCheckBox>("SataBinChk")->isChecked();
    const bool usb = Find<QCheckBox>("UsbBinChk")->isChecked();
    ChooseFirmwareFiles(stores_.Config, sata, usb, stores_.Window, prompter_);
    auto* spin = Find<QSpinBox>("SNMinLengthSpin");
    spin->setMinimum(usb ? 12 : 1);
    Find<QLabel>("SerialNumEditLabel")->setText(usb ? "Serial Number (12-20) " : "Serial Number (20) ");
    SetStatus(1, stores_.Window.StatusPanels[1]);
    emit captionRenewRequested();
    SetStatus(2, stores_.Window.StatusPanels[2]);
    Find<QWidget>("SATAGroupBox")->setVisible(sata);
    Find<QWidget>("USBGroupBox")->setVisible(usb);
}

void SettingsArea::DecodeNameBnClick() {
    const std::string name = S(Find<QLineEdit>("DecodeNameEdit")->text());
    if (name.empty()) return;
    prompter_.Message(DecodeFirmwareName(name));
}

}  // namespace qx::station
