#include "station/forms/engineering/flash_info_form.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "qxlib/settings/global_parameter.h"
#include "station/flash_part_list.h"
#include "station/forms/form_text.h"
#include "station/forms/settings/settings_area.h"
#include "station/settings/flash_selection.h"
#include "station/settings/settings_window_state.h"
#include "ui/prompter.h"

namespace qx::station {

namespace {

QLineEdit* ReadOnlyEdit(QFormLayout* form, const char* name, const char* caption) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setReadOnly(true);
    form->addRow(caption, edit);
    return edit;
}

QComboBox* VendorBox(const SettingsArea& area) { return area.findChild<QComboBox*>("FlashVendorCmbx"); }
QComboBox* PartBox(const SettingsArea& area) { return area.findChild<QComboBox*>("FlashCodeCmBx"); }

}  // namespace

TFlashInfoFrom::TFlashInfoFrom(SettingsArea& area, ui::Prompter& prompter, QWidget* parent)
    : QDialog(parent), area_(area), prompter_(prompter) {
    setObjectName("FlashInfoFrom");
    setWindowTitle("Flash Auto Detect Result");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    vendor_ = ReadOnlyEdit(form, "VendorEdit", "Vendor ");
    list_ = new QListWidget;
    list_->setObjectName("FlashTypeListBox");
    form->addRow(list_);
    type_ = ReadOnlyEdit(form, "TypeEdit", "Type ");
    channelBank_ = ReadOnlyEdit(form, "ChnnelBankEdit", "Channel / Bank ");
    current_ = ReadOnlyEdit(form, "DrvCurrentEdit", "Drive Current ");
    layout->addLayout(form);
    auto* close = new QPushButton("Close");
    close->setObjectName("FormCloseBtn");
    layout->addWidget(close);
    connect(list_, &QListWidget::itemClicked, this, [this] { FlashTypeListBoxClick(); });
    connect(close, &QPushButton::clicked, this, [this] { FormCloseBtnClick(); });
    setMinimumWidth(420);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

void TFlashInfoFrom::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TFlashInfoFrom::FormShow() {
    const SettingsStores& s = area_.Stores();
    vendor_->setText(VendorBox(area_)->currentText());
    const auto part = PartOfItem(s.Parts, VendorBox(area_)->currentIndex(), PartBox(area_)->currentIndex());
    if (part) {
        const FlashPartRecord& r = s.Parts.FlashPartTable[static_cast<std::size_t>(*part)];
        type_->setText(Q(std::string(r.PartName) + "  /  " + r.PartNumber + " (x" +
                         std::to_string(r.CeCount & 0xFFu) + ")"));
    } else {
        type_->clear();
    }
    channelBank_->setText(QString("%1 / %2").arg(s.Settings.Channel).arg(s.Settings.Bank));
    current_->setText(QString("%1mA").arg(2 * s.Settings.DrvCurrent + 2));
    list_->clear();
    for (int i = 0; i < candidates_.Count; ++i) {
        const auto index = PartOfItem(s.Parts, candidates_.Vendor[static_cast<std::size_t>(i)],
                                      candidates_.Code[static_cast<std::size_t>(i)]);
        if (index) list_->addItem(Q(FlashPartItemText(s.Parts.FlashPartTable[static_cast<std::size_t>(*index)])));
    }
    list_->setCurrentRow(list_->count() - 1);
}

void TFlashInfoFrom::FlashTypeListBoxClick() {
    const int row = list_->currentRow();
    if (row < 0 || row >= candidates_.Count) return;
    VendorBox(area_)->setCurrentIndex(candidates_.Vendor[static_cast<std::size_t>(row)]);
    vendor_->setText(VendorBox(area_)->currentText());
}

void TFlashInfoFrom::FormCloseBtnClick() {
    if (candidates_.Count > 1) {
        const int row = list_->selectedItems().isEmpty() ? -1 : list_->currentRow();
        if (row < 0 || row >= candidates_.Count) {
            prompter_.Message("Please choose one flash type");
            return;
        }
        VendorBox(area_)->setCurrentIndex(candidates_.Vendor[static_cast<std::size_t>(row)]);
        area_.Stores().Window.ChosenFlashCodeIndex = candidates_.Code[static_cast<std::size_t>(row)];
        area_.Guarded([this] {
            area_.UpdateFlashList(false);
            area_.FlashInfoChange();
        });
    }
    accept();
}

}  // namespace qx::station
