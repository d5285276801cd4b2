// What the pages do while the operator types and clicks: key filters, text
// widths, the USB IDs, the volume label, and the wiring of every handler.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/global_parameter.h"
#include "station/forms/form_text.h"
#include "station/forms/settings/key_filter.h"
#include "station/forms/settings/settings_area.h"
#include "station/settings/edit_rules.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

// StringEditChange: the edit's Tag chooses its width.
void CutToTagWidth(QLineEdit* edit) {
    const auto width = StringEditWidth(edit->property("Tag").toInt());
    if (!width || static_cast<std::size_t>(edit->text().size()) <= *width) return;
    edit->setText(edit->text().left(static_cast<qsizetype>(*width)));
    // A text set by code places the caret after this handler returns; the
    // caret goes before the last character once that is done.
    const int caret = static_cast<int>(*width) - 1;
    QMetaObject::invokeMethod(edit, [edit, caret] { edit->setCursorPosition(caret); }, Qt::QueuedConnection);
}

}  // namespace

void SettingsArea::WireHandlers() {
    GlobalParameter& s = stores_.Settings;
    const auto onClick = [this](const char* name, void (SettingsArea::*handler)()) {
        connect(Find<QPushButton>(name), &QPushButton::clicked, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
    };
    onClick("INILoadBtn", &SettingsArea::INILoadBtnClick);
    onClick("INISaveBtn", &SettingsArea::INISaveBtnClick);
    onClick("CalcIDEMAToRatioBn", &SettingsArea::CalcIDEMAToRatioBnClick);
    onClick("RestoreReservedRatio", &SettingsArea::RestoreReservedRatioClick);
    onClick("DecodeNameBn", &SettingsArea::DecodeNameBnClick);
    onClick("RDTPatternBn", &SettingsArea::RDTPatternBnClick);
    for (const char* name : {"SataBinChk", "UsbBinChk"})
        connect(Find<QCheckBox>(name), &QCheckBox::clicked, this, [this] { Guarded([this] { BinFileChkClick(); }); });
    connect(Find<QCheckBox>("LPMCheckBox"), &QCheckBox::clicked, this, [this] { Guarded([this] { FlashInfoChange(); }); });

    // Combo boxes act on the operator's choice only; an index set by code
    // fires nothing, so the flash choice never re-enters itself.
    connect(Find<QComboBox>("ConnectionChkCmbox"), &QComboBox::activated, this,
            [&s](int index) { if (index >= 0) s.ConnectDevNum = static_cast<std::uint8_t>(index); });
    connect(Find<QComboBox>("FlashVendorCmbx"), &QComboBox::activated, this,
            [this] { Guarded([this] { UpdateFlashList(true); }); });
    for (const char* name : {"FlashCodeCmBx", "FlashChanCmBx", "FlashBankCmBx"})
        connect(Find<QComboBox>(name), &QComboBox::activated, this, [this] { Guarded([this] { FlashInfoChange(); }); });
    connect(Find<QComboBox>("DramVendorCmbx"), &QComboBox::activated, this, [this] { UpdateDramList(); });
    connect(Find<QComboBox>("DramCodeCmBx"), &QComboBox::activated, this, [this] { DramInfoChange(); });

    // VendorIDEditChange: cut to four digits and taken at once.
    for (const char* name : {"VendorIDEdit", "ProductIDEdit"}) {
        auto* edit = Find<QLineEdit>(name);
        edit->setProperty("Tag", name[0] == 'V' ? 0 : 1);
        connect(edit, &QLineEdit::textChanged, this, [edit, &s](const QString& text) {
            if (text.size() > 4) edit->setText(Q(CutUsbId(S(text))));
            const std::string id = S(edit->text());
            if (edit->property("Tag").toInt() == 0)
                CopyFixedText(s.UsbVid, id);
            else
                CopyFixedText(s.UsbPid, id);
        });
        KeyFilter::Install(edit, StringAEditKey);
    }
    for (const char* name : {"FirmwareVerEdit", "ModelNumEdit", "SerialNumEdit", "VendorNameEdit", "ManufStrEdit", "ProdStrEdit"}) {
        auto* edit = Find<QLineEdit>(name);
        connect(edit, &QLineEdit::textChanged, this, [edit] { CutToTagWidth(edit); });
    }

    // FFsFmtChange: FAT32 takes a volume label of 11 characters.
    auto* label = Find<QLineEdit>("VolumeLabeledEdit");
    auto* formatType = Find<QComboBox>("FmtTypeComboBox");
    const auto volumeLabelRule = [this, label, formatType] {
        if (formatType->currentIndex() != 0) return;
        if (const auto cut = CutFat32VolumeLabel(S(label->text()))) {
            label->setText(Q(*cut));
            prompter_.Box({"Message", kFat32LabelMessage, ui::BoxIcon::None, ui::BoxButtons::Ok});
        }
    };
    connect(label, &QLineEdit::textChanged, this, volumeLabelRule);
    connect(formatType, &QComboBox::activated, this, volumeLabelRule);

    KeyFilter::Install(Find<QLineEdit>("SerialNumEdit"), [&s](char key) { return SerialNumEditKey(key, s.SNDecimal != 0); });
    for (const char* name : {"ModelNumEdit", "VendorNameEdit", "ProductNameEdit"})
        KeyFilter::Install(Find<QLineEdit>(name), ModelNumEditKey);
    for (const char* name : {"CheckMaxTemperatureValue", "MaxLBAValue", "IDEMAEdit"})
        KeyFilter::Install(Find<QLineEdit>(name), NumeralKey);
    KeyFilter::Install(Find<QLineEdit>("IDEMACapacityEdit"), IdemaCapacityEditKey);

    // The check list reacts to the operator's checks, never to its own rebuild.
    connect(testItems_, &QListWidget::itemChanged, this, [this] {
        if (!buildingList_) Guarded([this] { FunCheckListBoxClickCheck(); });
    });
    connect(testItems_, &QListWidget::currentRowChanged, this, [this] { SubPageControl(); });
}

}  // namespace qx::station
