// The shown pages of the main window and the log page, their controls named
// as the handlers and the page operations know them, and their buttons
// wired to the page handlers. The window has a fixed size, so each page is
// laid out to give every control at least the room it needs.
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/latin1_text.h"
#include "utility/forms/ctrl_click_corner.h"
#include "utility/forms/erase_count_schematic.h"
#include "utility/forms/form_builders.h"
#include "utility/forms/main_form.h"
#include "utility/page_buttons.h"
#include "utility/pages/smart_page.h"

namespace qx::utility {
namespace {

using namespace forms;

// StringGrid1: row 0 holds the titles as cells, no fixed column. Each column
// is at least its design width and wide enough for the widest text it holds.
constexpr int kSmartColumnWidths[kSmartGridColumns] = {41, 168, 64, 64, 64, 64, 121};
constexpr int kSmartRowHeight = 15;
constexpr int kCellPadding = 12;   // the cell's own margins and grid line

// What SSDInfoMemo and DpdFTLMemo show whole: the 15 timing lines and the
// 9 lines of the DPD/FTL block.
constexpr int kTimingLines = 15;
constexpr int kDpdFtlLines = 9;

QTableWidget* SmartGridControl(QWidget* parent) {
    auto* grid = new QTableWidget(static_cast<int>(kSmartGridRows), static_cast<int>(kSmartGridColumns), parent);
    grid->setObjectName("StringGrid1");
    grid->horizontalHeader()->setVisible(false);
    grid->verticalHeader()->setVisible(false);
    const QFontMetrics fm(grid->font());
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(std::max(kSmartRowHeight, fm.height() + 3));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    int width = 2 * grid->frameWidth() + grid->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < static_cast<int>(kSmartGridColumns); ++c) {
        int w = kSmartColumnWidths[c];
        for (const std::string& sample : SmartColumnSamples(static_cast<std::size_t>(c)))
            w = std::max(w, fm.horizontalAdvance(ui::Q(sample)) + kCellPadding);
        grid->setColumnWidth(c, w);
        width += w;
    }
    grid->setFixedWidth(width);
    return grid;
}

}  // namespace

void TMainForm::BuildPages() {
    auto* ssd = Page(pages_, "TabSheet1", "SSD Info");
    QWidget* groups = Box(ssd, false);
    auto* setting = Group(groups, "GroupBox1", "SSD Setting");
    for (const char* e : {"FlashmodelEdit", "ChannelEdit", "CapacityEdit", "DriverEdit", "ResPerEdit", "EccReadEdit",
                          "EccCopyEdit", "WearLevelingEdit", "BankMapEdit", "FwEdit", "SupportEdit1", "SupportEdit2"})
        Edit(setting, e);
    Compact(setting);
    auto* groupsLayout = qobject_cast<QHBoxLayout*>(groups->layout());
    groupsLayout->addWidget(setting, 5);
    auto* flash = Group(groups, "GroupBox2", "Flash Info");
    for (const char* e : {"FlashInfoEdit", "FlashTypeEdit", "BlockCeEdit", "PageBlockEdit", "CeEdit"}) Edit(flash, e);
    Compact(flash);
    qobject_cast<QGridLayout*>(flash->layout())->setRowStretch(6, 1);
    groupsLayout->addWidget(flash, 3);
    QPlainTextEdit* timing = Memo(groups, "SSDInfoMemo", false);
    ShowLines(timing, kTimingLines);
    timing->setMinimumWidth(QFontMetrics(timing->font()).horizontalAdvance("AsynTMC6 = 255 (0xFF)") + 30);
    groupsLayout->setStretchFactor(timing, 2);
    QWidget* dpdRow = Box(ssd, false, 1);
    // The special-mode corner: invisible, at the lower left.
    auto* corner = new SpecialTipShape(dpdRow, [this](bool ctrl) { logic_->SpecialTipShapeMouseDown(ctrl); });
    qobject_cast<QHBoxLayout*>(dpdRow->layout())->addWidget(corner, 0, Qt::AlignBottom);
    QPlainTextEdit* dpd = Memo(dpdRow, "DpdFTLMemo", true);
    ShowLines(dpd, kDpdFtlLines);
    qobject_cast<QHBoxLayout*>(dpdRow->layout())->setStretchFactor(dpd, 1);
    QWidget* dpdButtons = Box(dpdRow, true);
    Wire(Button(dpdButtons, "DpdFTLSaveBn", "Save Info"), [this] { logic_->DpdFTLSaveBnClick(); });
    qobject_cast<QVBoxLayout*>(dpdButtons->layout())->addStretch();

    auto* erase = Page(pages_, "TabSheet2", "Erase Count");
    QWidget* top = Box(erase, false);
    QWidget* picture = Box(top, true);
    picture->layout()->addWidget(new EraseCountSchematic(picture));
    auto* label4 = new QLabel("schematic diagram", picture);
    label4->setObjectName("Label4");
    picture->layout()->addWidget(label4);
    qobject_cast<QHBoxLayout*>(top->layout())->addSpacing(12);
    QWidget* results = Box(top, true);
    for (const char* e : {"AeraseEdit", "MeraseEdit"}) {
        QLineEdit* edit = Edit(results, e);
        edit->setMinimumWidth(QFontMetrics(edit->font()).horizontalAdvance("Average erase count = 4294967295") + 20);
        results->layout()->addWidget(edit);
    }
    Wire(Button(results, "DetailSaveBn", "Save Detail Info"), [this] { buttons_->DetailSaveBnClick(); });
    qobject_cast<QVBoxLayout*>(results->layout())->addStretch();
    qobject_cast<QHBoxLayout*>(top->layout())->addStretch();
    auto* log = Group(erase, "GroupBox7", "Log");
    Memo(log, "EraseMemo", true);
    qobject_cast<QVBoxLayout*>(erase->layout())->addWidget(log, 1);

    auto* bad = Page(pages_, "TabSheet3", "Bad Block Info");
    Memo(bad, "BadBlockMemo", true);
    Wire(Button(bad, "SavebadblockinfoBn", "Save to File"), [this] { buttons_->SavebadblockinfoBnClick(); });
    auto* detail = Group(bad, "GroupBox5", "Detailed Bad Block Info");
    Memo(detail, "DetalBadInfoMemo", true);
    Wire(Button(detail, "SavebadblockDetailBn", "Save to File"), [this] { buttons_->SavebadblockDetailBnClick(); });
    bad->layout()->addWidget(detail);

    auto* smart = Page(pages_, "TabSheet4", "S.M.A.R.T info");
    QWidget* smartRow = Box(smart, false, 1);
    smartRow->layout()->addWidget(SmartGridControl(smartRow));
    QWidget* report = Box(smartRow, true);
    qobject_cast<QHBoxLayout*>(smartRow->layout())->setStretchFactor(report, 1);
    auto* smartGroup = Group(report, "GroupBox4", "S.M.A.R.T");
    // The report's caption ("\nSMART (v16.0) information report :\n"), line
    // breaks and all, heads the group's memo: a group title has one line.
    auto* caption = new QLabel(smartGroup);
    caption->setObjectName("SmartReportCaption");
    smartGroup->layout()->addWidget(caption);
    Memo(smartGroup, "SMARTMemo", true);
    qobject_cast<QVBoxLayout*>(report->layout())->addWidget(smartGroup, 1);
    auto* ecc = Group(report, "GroupBox6", "Ecc fail");
    Memo(ecc, "SmartEccMemo", false);
    report->layout()->addWidget(ecc);
    ecc->setVisible(false);
    QWidget* smartButtons = Box(report, false);
    Wire(Button(smartButtons, "GetSmartInfoBn", "Get Smart Info"), [this] { buttons_->GetSmartInfoBnClick(); });
    Wire(Button(smartButtons, "SaveSmartInfoBn", "Save Smart Info", false),
         [this] { buttons_->SaveSmartInfoBnClick(); });
    Wire(Button(smartButtons, "ResetSmartInfoBn", "Reset Smart Info", false, false),
         [this] { buttons_->ResetSmartInfoBnClick(); });

    auto* info = Page(pages_, "TabSheet5", "Device Info");
    auto* sata = Group(info, "GroupBox3", "Quorlix Device Information(SATA) :");
    for (const char* e : {"ModelNameEdit", "FwVersionEdit", "SNEdit", "ChsEdit", "DiskHeadEdit", "TotalSectorEdit",
                          "MultiwordDMAEdit", "MultiwordDMAmodeEdit", "UltraDMAEdit", "UltraDMAModeEdit",
                          "SMARTfeatureEdit", "SecurityModeEdit", "WWNEdit"})
        Edit(sata, e);
    Compact(sata);
    info->layout()->addWidget(sata);
    // The USB group: shown in place of the SATA group for a drive on the
    // controller's own USB, the one group its refresh fills.
    auto* usb = Group(info, "GroupBox9", "Quorlix Device Information(USB) :");
    // Labelled as the SSD information dump names them.
    const std::pair<const char*, const char*> usbEdits[] = {
        {"VendorNameEdit", "Vendor Name:"},     {"ProductNameEdit", "Product Name:"},
        {"ManufacturStringEdit", "Manufacture String:"}, {"ProductStringEdit", "Product String:"},
        {"VIDEdit", "VID:"},                    {"PIDEdit", "PID:"},
        {"SNUSBEdit", "Serial Num:"},           {"CapEdit", "Capacity:"},
        {"TotalLBAEdit", "Total LBA:"}};
    for (const auto& [name, label] : usbEdits) Edit(usb, name, label);
    Compact(usb);
    info->layout()->addWidget(usb);
    usb->setVisible(false);
    qobject_cast<QVBoxLayout*>(info->layout())->addStretch();

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
