// The nine pages of the main window and their controls, named as the
// handlers and the page operations know them.
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QGridLayout>
#include <QHBoxLayout>

#include "utility/forms/main_form.h"
#include "utility/forms/special_tip_shape.h"

namespace qx::utility {
namespace {

QFont FixedPitch() {
    QFont f("Courier New");
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* title) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(name);
    new QGridLayout(g);
    return g;
}

QLineEdit* Edit(QWidget* parent, const char* name, const char* label = nullptr) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    if (auto* grid = qobject_cast<QGridLayout*>(parent->layout())) {
        const int row = grid->rowCount();
        if (label) grid->addWidget(new QLabel(label, parent), row, 0);
        grid->addWidget(e, row, 1);
    }
    return e;
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, bool fixedPitch, bool readOnly = true) {
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(name);
    m->setReadOnly(readOnly);
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    if (fixedPitch) m->setFont(FixedPitch());
    if (parent->layout()) parent->layout()->addWidget(m);
    return m;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, bool enabled = true, bool visible = true) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setEnabled(enabled);
    if (parent->layout()) parent->layout()->addWidget(b);
    b->setVisible(visible);
    return b;
}

QWidget* Page(QTabWidget* tabs, const char* name, const char* caption) {
    auto* p = new QWidget(tabs);
    p->setObjectName(name);
    new QVBoxLayout(p);
    tabs->addTab(p, caption);
    return p;
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
    connect(Button(ssd, "DpdFTLSaveBn", "Save Info"), &QPushButton::clicked, this,
            [this] { logic_->DpdFTLSaveBnClick(); });
    ssd->layout()->addWidget(new SpecialTipShape(ssd, [this](bool ctrl) { logic_->SpecialTipShapeMouseDown(ctrl); }));

    auto* erase = Page(pages_, "TabSheet2", "Erase Count");
    auto* image = new QLabel(erase);
    image->setObjectName("Image1");
    erase->layout()->addWidget(image);
    auto* label4 = new QLabel("schematic diagram", erase);
    label4->setObjectName("Label4");
    erase->layout()->addWidget(label4);
    for (const char* e : {"AeraseEdit", "MeraseEdit"}) erase->layout()->addWidget(Edit(erase, e));
    Button(erase, "DetailSaveBn", "Save Detail Info");
    auto* log = Group(erase, "GroupBox7", "Log");
    Memo(log, "EraseMemo", true);
    erase->layout()->addWidget(log);

    auto* bad = Page(pages_, "TabSheet3", "Bad Block Info");
    Memo(bad, "BadBlockMemo", true);
    Button(bad, "SavebadblockinfoBn", "Save to File");
    auto* detail = Group(bad, "GroupBox5", "Detailed Bad Block Info");
    Memo(detail, "DetalBadInfoMemo", true);
    Button(detail, "SavebadblockDetailBn", "Save to File");
    bad->layout()->addWidget(detail);

    auto* smart = Page(pages_, "TabSheet4", "S.M.A.R.T info");
    auto* grid = new QTableWidget(50, 6, smart);
    grid->setObjectName("StringGrid1");
    smart->layout()->addWidget(grid);
    auto* smartGroup = Group(smart, "GroupBox4", "S.M.A.R.T");
    Memo(smartGroup, "SMARTMemo", true);
    smart->layout()->addWidget(smartGroup);
    auto* ecc = Group(smart, "GroupBox6", "Ecc fail");
    Memo(ecc, "SmartEccMemo", false);
    smart->layout()->addWidget(ecc);
    ecc->setVisible(false);
    Button(smart, "GetSmartInfoBn", "Get Smart Info");
    Button(smart, "SaveSmartInfoBn", "Save Smart Info", false);
    Button(smart, "ResetSmartInfoBn", "Reset Smart Info", false, false);

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

    auto* rw = Page(pages_, "TabSheet6", "Random read/write");
    connect(Button(rw, "RwTestBn", "R/W Test"), &QPushButton::clicked, this, [this] { logic_->RwTestBnClick(); });

    auto* debug = Page(pages_, "TabSheet7", "Debug Tool");
    auto* debugGroup = Group(debug, "GroupBox8", "Debug");
    for (const auto& [name, text] : {std::pair{"DbgChLEdit", "8"}, std::pair{"DbgBankLEdit", "0"},
                                     std::pair{"DbgBlockLEdit", "0"}, std::pair{"DbgPageLEdit", "1"},
                                     std::pair{"DbgBlockUnitLEdit", ""}}) {
        QLineEdit* e = Edit(debugGroup, name, name);
        e->setReadOnly(false);
        e->setText(text);
    }
    debug->layout()->addWidget(debugGroup);
    Memo(debug, "DebugMemo", false, false);
    Memo(debug, "DebugMemo2", true, false);

    auto* uart = Page(pages_, "TabSheet8", "Uart Log of F/W");
    Memo(uart, "UartLogMemo", false);
    Memo(uart, "DbgErrLogMemo", false);
    Button(uart, "ReadFwDebugMsgGDP", "Read F/W Debug Msg", true, false);
    Button(uart, "UartLogSaveBtn", "Save Uart Log");
    Button(uart, "DbgErrLogSaveBtn", "Save Dbg Err Log");

    auto* diag = Page(pages_, "TabSheet9", "Diagnose SSD");
    auto* rma = new QTreeWidget(diag);
    rma->setObjectName("ListViewRMA");
    diag->layout()->addWidget(rma);
    Button(diag, "DiagSSDBn", "Check", false);
    Memo(diag, "DiagMemo", true)->setVisible(false);
    Button(diag, "DiagSSDSaveBn", "Save", true, false);
    Button(diag, "DecodeLogFileBn", "Decode Log File", true, false);
}

}  // namespace qx::utility
