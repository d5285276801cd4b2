// The shown pages of the main window and the log page, their controls named
// as the handlers and the page operations know them, and their buttons
// wired to the page handlers.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "utility/forms/form_builders.h"
#include "utility/forms/main_form.h"
#include "utility/forms/ctrl_click_corner.h"
#include "utility/page_buttons.h"
#include "utility/pages/smart_page.h"

namespace qx::utility {
namespace {

using namespace forms;

// StringGrid1: row 0 holds the titles as cells, no fixed column.
constexpr int kSmartColumnWidths[kSmartGridColumns] = {41, 168, 64, 64, 64, 64, 121};
constexpr int kSmartRowHeight = 15;

QTableWidget* SmartGridControl(QWidget* parent) {
    auto* grid = new QTableWidget(static_cast<int>(kSmartGridRows), static_cast<int>(kSmartGridColumns), parent);
    grid->setObjectName("StringGrid1");
    grid->horizontalHeader()->setVisible(false);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(kSmartRowHeight);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < static_cast<int>(kSmartGridColumns); ++c) grid->setColumnWidth(c, kSmartColumnWidths[c]);
    parent->layout()->addWidget(grid);
    return grid;
}

}  // namespace

void TMainForm::BuildPages() {
    auto* ssd = Page(pages_, "TabSheet1", "SSD Info");
    auto* groups = new QHBoxLayout;
    auto* setting = Group(ssd, "GroupBox1", "SSD Setting");
    for (const char* e : {"FlashmodelEdit", "ChannelEdit", "CapacityEdit", "DriverEdit", "ResPerEdit", "EccReadEdit",
                          "EccCopyEdit", "WearLevelingEdit", "BankMapEdit", "FwEdit", "SupportEdit1", "SupportEdit2"})
        Edit(setting, e);
    groups->addWidget(setting, 2);
    auto* flash = Group(ssd, "GroupBox2", "Flash Info");
    for (const char* e : {"FlashInfoEdit", "FlashTypeEdit", "BlockCeEdit", "PageBlockEdit", "CeEdit"}) Edit(flash, e);
    qobject_cast<QGridLayout*>(flash->layout())->setRowStretch(6, 1);
    groups->addWidget(flash, 1);
    qobject_cast<QVBoxLayout*>(ssd->layout())->addLayout(groups);
    Memo(ssd, "SSDInfoMemo", false)->setMaximumHeight(90);
    Memo(ssd, "DpdFTLMemo", true)->setMinimumHeight(150);
    Wire(Button(ssd, "DpdFTLSaveBn", "Save Info"), [this] { logic_->DpdFTLSaveBnClick(); });
    ssd->layout()->addWidget(new SpecialTipShape(ssd, [this](bool ctrl) { logic_->SpecialTipShapeMouseDown(ctrl); }));

    auto* erase = Page(pages_, "TabSheet2", "Erase Count");
    auto* image = new QLabel(erase);
    image->setObjectName("Image1");
    erase->layout()->addWidget(image);
    auto* label4 = new QLabel("schematic diagram", erase);
    label4->setObjectName("Label4");
    erase->layout()->addWidget(label4);
    for (const char* e : {"AeraseEdit", "MeraseEdit"}) erase->layout()->addWidget(Edit(erase, e));
    Wire(Button(erase, "DetailSaveBn", "Save Detail Info"), [this] { buttons_->DetailSaveBnClick(); });
    auto* log = Group(erase, "GroupBox7", "Log");
    Memo(log, "EraseMemo", true);
    erase->layout()->addWidget(log);

    auto* bad = Page(pages_, "TabSheet3", "Bad Block Info");
    Memo(bad, "BadBlockMemo", true);
    Wire(Button(bad, "SavebadblockinfoBn", "Save to File"), [this] { buttons_->SavebadblockinfoBnClick(); });
    auto* detail = Group(bad, "GroupBox5", "Detailed Bad Block Info");
    Memo(detail, "DetalBadInfoMemo", true);
    Wire(Button(detail, "SavebadblockDetailBn", "Save to File"), [this] { buttons_->SavebadblockDetailBnClick(); });
    bad->layout()->addWidget(detail);

    auto* smart = Page(pages_, "TabSheet4", "S.M.A.R.T info");
    SmartGridControl(smart);
    auto* smartGroup = Group(smart, "GroupBox4", "S.M.A.R.T");
    Memo(smartGroup, "SMARTMemo", true);
    smart->layout()->addWidget(smartGroup);
    auto* ecc = Group(smart, "GroupBox6", "Ecc fail");
    Memo(ecc, "SmartEccMemo", false);
    smart->layout()->addWidget(ecc);
    ecc->setVisible(false);
    Wire(Button(smart, "GetSmartInfoBn", "Get Smart Info"), [this] { buttons_->GetSmartInfoBnClick(); });
    Wire(Button(smart, "SaveSmartInfoBn", "Save Smart Info", false), [this] { buttons_->SaveSmartInfoBnClick(); });
    Wire(Button(smart, "ResetSmartInfoBn", "Reset Smart Info", false, false),
         [this] { buttons_->ResetSmartInfoBnClick(); });

    auto* info = Page(pages_, "TabSheet5", "Device Info");
    auto* sata = Group(info, "GroupBox3", "Quorlix Device Information(SATA) :");
    for (const char* e : {"ModelNameEdit", "FwVersionEdit", "SNEdit", "ChsEdit", "DiskHeadEdit", "TotalSectorEdit",
                          "MultiwordDMAEdit", "MultiwordDMAmodeEdit", "UltraDMAEdit", "UltraDMAModeEdit",
                          "SMARTfeatureEdit", "SecurityModeEdit", "WWNEdit"})
        Edit(sata, e);
    info->layout()->addWidget(sata);
    auto* usb = Group(info, "GroupBox9", "Quorlix Device Information(USB) :");
    for (const char* e : {"VendorNameEdit", "ProductNameEdit", "ManufacturStringEdit", "ProductStringEdit", "VIDEdit",
                          "PIDEdit", "SNUSBEdit", "CapEdit", "TotalLBAEdit"})
        Edit(usb, e, e);
    info->layout()->addWidget(usb);
    usb->setVisible(false);

    BuildHiddenPages();
}

void TMainForm::BuildLogPage() {
    auto* uart = Page(pages_, "TabSheet8", "Uart Log of F/W");
    Memo(uart, "UartLogMemo", false);
    Memo(uart, "DbgErrLogMemo", false);
    Wire(Button(uart, "ReadFwDebugMsgGDP", "Read F/W Debug Message(GDP)", true, false),
         [this] { buttons_->ReadFwDebugMsgGDPClick(); });
    Wire(Button(uart, "UartLogSaveBtn", "Save Uart Log"), [this] { buttons_->UartLogSaveBtnClick(); });
    Wire(Button(uart, "DbgErrLogSaveBtn", "Save Dbg Err Log"), [this] { buttons_->DbgErrLogSaveBtnClick(); });
}

}  // namespace qx::utility
