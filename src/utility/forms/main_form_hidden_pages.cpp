// The engineering pages nothing in the program shows ("Random read/write",
// "Debug Tool", "Diagnose SSD"), laid out and wired so each works once shown,
// with the log page in its place between them.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "utility/debug_page_buttons.h"
#include "utility/forms/form_builders.h"
#include "utility/forms/main_form.h"
#include "utility/forms/rma_item_delegate.h"

namespace qx::utility {
namespace {

using namespace forms;

struct ColumnSpec {
    const char* title;
    int width;
};
constexpr ColumnSpec kRmaColumns[] = {{"Test Item", 200}, {"Test Function", 400}, {"Test Status", 200}};

// The page-read entries, labelled, with their design-time texts.
struct EntrySpec {
    const char* name;
    const char* label;
    const char* text;
};
constexpr EntrySpec kPageReadEntries[] = {{"DbgChLEdit", "Channel", "8"},
                                          {"DbgBankLEdit", "Bank", "0"},
                                          {"DbgBlockLEdit", "Block", "0"},
                                          {"DbgPageLEdit", "Page", "1"},
                                          {"DbgBlockUnitLEdit", "BlockUnit", ""}};

QLabel* Label(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(FixedPitch());
    parent->layout()->addWidget(l);
    return l;
}

}  // namespace

void TMainForm::BuildHiddenPages() {
    auto* rw = Page(pages_, "TabSheet6", "Random read/write");
    Wire(Button(rw, "RwTestBn", "R/W Test"), [this] { logic_->RwTestBnClick(); });

    auto* debug = Page(pages_, "TabSheet7", "Debug Tool");
    auto* console = new QGroupBox("DebugTool", debug);
    console->setObjectName("GroupBox8");
    new QVBoxLayout(console);
    Label(console, "Label1", "o reg val  ; out reg  ex: >o 1b2 23");
    Label(console, "Label2", "i reg      ; in reg   ex: >i 1cf5");
    Label(console, "Label3", "lba LBA    ; LBA -> (ch,bank,block)");
    auto* line = new QLineEdit(console);
    line->setObjectName("DebugEdit");
    console->layout()->addWidget(line);
    connect(line, &QLineEdit::returnPressed, this, [this] { debugButtons_->DebugEditKeyPress('\r'); });
    Memo(console, "DebugMemo", false);
    debug->layout()->addWidget(console);
    console->setVisible(false);

    auto* modes = new QHBoxLayout;
    auto* reads = new QGroupBox(debug);
    new QGridLayout(reads);
    for (const EntrySpec& e : kPageReadEntries) {
        QLineEdit* entry = Edit(reads, e.name, e.label);
        entry->setReadOnly(false);
        entry->setText(e.text);
    }
    // The ECC choice and the two reads on one row under the entries.
    auto* readRow = new QWidget(reads);
    auto* readRowLayout = new QHBoxLayout(readRow);
    readRowLayout->setContentsMargins(0, 0, 0, 0);
    auto* grid = qobject_cast<QGridLayout*>(reads->layout());
    grid->addWidget(readRow, grid->rowCount(), 0, 1, 2);
    auto* ecc24 = new QCheckBox("Ecc 24", readRow);
    ecc24->setObjectName("Ecc24Ck");
    readRowLayout->addWidget(ecc24);
    Wire(Button(readRow, "DbgSysReadPage", "SysReadPage"), [this] { debugButtons_->DbgSysReadPageClick(); });
    Wire(Button(readRow, "DbgLDReadPage", "LDRReadPage"), [this] { debugButtons_->DbgLDReadPageClick(); });
    readRowLayout->addStretch();
    modes->addWidget(reads);
    auto* jumps = new QWidget(debug);
    new QVBoxLayout(jumps);
    Wire(Button(jumps, "JumpToLoader", "JumpToLoader"), [this] { debugButtons_->JumpToLoaderClick(); });
    Wire(Button(jumps, "LoadGDPBn", "LoadGDP"), [this] { debugButtons_->LoadGDPBnClick(); });
    modes->addWidget(jumps);
    qobject_cast<QVBoxLayout*>(debug->layout())->addLayout(modes);
    Memo(debug, "DebugMemo2", true, false);
    Wire(Button(debug, "SaveReadPageBn", "Save to file"), [this] { debugButtons_->SaveReadPageBnClick(); });

    BuildLogPage();

    auto* diag = Page(pages_, "TabSheet9", "Diagnose SSD");
    auto* rma = new QTreeWidget(diag);
    rma->setObjectName("ListViewRMA");
    rma->setRootIsDecorated(false);
    rma->setSelectionBehavior(QAbstractItemView::SelectRows);
    rma->setSelectionMode(QAbstractItemView::ExtendedSelection);
    rma->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList titles;
    for (const ColumnSpec& c : kRmaColumns) titles << c.title;
    rma->setHeaderLabels(titles);
    for (int i = 0; i < static_cast<int>(std::size(kRmaColumns)); ++i) rma->setColumnWidth(i, kRmaColumns[i].width);
    rma->setItemDelegate(new RmaItemDelegate(rma));
    diag->layout()->addWidget(rma);
    // "Check" and "Save Result" have no work behind them.
    Button(diag, "DiagSSDBn", "Check", false);
    Memo(diag, "DiagMemo", true)->setVisible(false);
    Button(diag, "DiagSSDSaveBn", "Save Result", true, false);
    Wire(Button(diag, "DecodeLogFileBn", "Decode logfile", true, false),
         [this] { debugButtons_->DecodeLogFileBnClick(); });
}

}  // namespace qx::utility
