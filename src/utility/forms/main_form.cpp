#include "utility/forms/main_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelection>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <span>

#include "ui/latin1_text.h"
#include "utility/cleared_controls.h"
#include "utility/debug_page_buttons.h"
#include "utility/page_buttons.h"
#include "utility/forms/splash_form.h"

namespace qx::utility {
namespace {

using ui::Q;
using ui::S;
QString Name(std::string_view name) { return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())); }

struct ColumnSpec {
    const char* title;
    int width;
};
constexpr ColumnSpec kColumns[] = {{"Disk", 43},       {"Model", 270},        {"Serial No.", 160},
                                   {"FW Rev.", 90},     {"Capacity(GB)", 105}, {"Interface", 100}};

// Rows the device list shows without scrolling: a full rack of eight drives.
constexpr int kListedRows = 8;

int ListHeightFor(QTreeWidget& list, int rows) {
    // One row measured as the list draws it.
    list.addTopLevelItem(new QTreeWidgetItem(QStringList{"1"}));
    const int row = list.sizeHintForRow(0);
    delete list.takeTopLevelItem(0);
    return list.header()->sizeHint().height() + rows * row + 2 * list.frameWidth();
}

}  // namespace

TMainForm::TMainForm(UtilityEnvironment env, ui::Prompter& prompter, PageSet& pages, TSplashForm* splash,
                     QWidget* parent)
    : QWidget(parent), splash_(splash), inFront_([this] { return isActiveWindow(); }) {
    setObjectName("MainForm");
    setWindowTitle(kCaption);
    setFixedSize(1194, 723);

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(6, 6, 6, 6);
    auto* bar = new QHBoxLayout;
    listView_ = new QTreeWidget(this);
    listView_->setObjectName("ListView1");
    listView_->setRootIsDecorated(false);
    listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView_->setSelectionMode(QAbstractItemView::SingleSelection);
    listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont fixed("Courier New");
    fixed.setStyleHint(QFont::TypeWriter);
    listView_->setFont(fixed);
    QStringList titles;
    for (const ColumnSpec& c : kColumns) titles << c.title;
    listView_->setHeaderLabels(titles);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) listView_->setColumnWidth(i, kColumns[i].width);
    listView_->setFixedHeight(ListHeightFor(*listView_, kListedRows));
    bar->addWidget(listView_, 1);
    auto* side = new QVBoxLayout;
    auto* scan = new QPushButton("Scan", this);
    scan->setObjectName("ScanBn");
    side->addWidget(scan);
    side->addStretch();
    bar->addLayout(side);
    deviceList_ = new QComboBox(this);
    deviceList_->setObjectName("DeviceList");
    deviceList_->setVisible(false);
    top->addLayout(bar);

    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl1");
    top->addWidget(pages_);
    BuildPages();

    logic_ = std::make_unique<MainFormLogic>(std::move(env), *this, prompter, pages);
    buttons_ = std::make_unique<PageButtons>(*logic_);
    debugButtons_ = std::make_unique<DebugPageButtons>(*logic_);
    Wire(scan, [this] { logic_->ScanBnClick(); });
    connect(listView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TMainForm::ListSelectionChanged);
    WireShortcuts();
    autoTimer_.setObjectName("AutoTimer");
    autoTimer_.setInterval(kAutoTimerMs);
    connect(&autoTimer_, &QTimer::timeout, this, &TMainForm::AutoTimerTimer);
    autoTimer_.start();
}

TMainForm::~TMainForm() = default;

void TMainForm::Wire(QPushButton* button, std::function<void()> handler) {
    connect(button, &QPushButton::clicked, this, std::move(handler));
}

void TMainForm::WireShortcuts() {
    const std::pair<HotKey, QKeySequence> keys[] = {{HotKey::CtrlS, QKeySequence(Qt::CTRL | Qt::Key_S)},
                                                     {HotKey::AltS, QKeySequence(Qt::ALT | Qt::Key_S)},
                                                     {HotKey::CtrlG, QKeySequence(Qt::CTRL | Qt::Key_G)},
                                                     {HotKey::CtrlR, QKeySequence(Qt::CTRL | Qt::Key_R)}};
    for (const auto& [key, sequence] : keys) {
        auto* shortcut = new QShortcut(sequence, this);
        // Only while the main window itself is active, never from its dialogs.
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, k = key] { HotKeyPressed(k); });
        shortcuts_.emplace_back(key, shortcut);
    }
}

void TMainForm::HotKeyPressed(HotKey key) {
    if (!hotKeys_.Registered()) return;
    const std::string_view button = HotKeyButton(ActivePage(), key);
    if (button.empty()) return;
    if (auto* b = findChild<QPushButton*>(Name(button)); b && b->isEnabled()) b->click();
}

void TMainForm::AutoTimerTimer() {
    if (!hotKeys_.Tick(inFront_())) return;
    for (auto& entry : shortcuts_) entry.second->setEnabled(hotKeys_.Registered());
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) logic_->FormShow();
}

void TMainForm::SelectRow(int row) {
    QTreeWidgetItem* item = listView_->topLevelItem(row);
    if (item) listView_->setCurrentItem(item);
}

void TMainForm::ListSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    for (const QModelIndex& i : deselected.indexes())
        if (i.column() == 0) logic_->ListView1SelectItem(i.row(), false);
    for (const QModelIndex& i : selected.indexes())
        if (i.column() == 0) logic_->ListView1SelectItem(i.row(), true);
}

void TMainForm::ClearFields() {
    for (std::span<const std::string_view> names : {std::span<const std::string_view>(kClearedEdits), std::span<const std::string_view>(kClearedLabeledEdits)})
        for (std::string_view name : names)
            if (auto* e = findChild<QLineEdit*>(Name(name))) e->clear();
    for (std::string_view name : kClearedMemos)
        if (auto* m = findChild<QPlainTextEdit*>(Name(name))) m->clear();
    for (std::string_view name : kClearedGrids) {
        auto* g = findChild<QTableWidget*>(Name(name));
        if (!g) continue;
        for (int r = 0; r < std::min(kClearedGridRows, g->rowCount()); ++r)
            for (int c = 0; c < g->columnCount(); ++c)
                if (QTableWidgetItem* item = g->item(r, c)) item->setText({});
    }
}

std::string TMainForm::Text(std::string_view control) const {
    const auto* e = findChild<QLineEdit*>(Name(control));
    return e ? S(e->text()) : std::string();
}

void TMainForm::SetText(std::string_view control, const std::string& text) {
    if (auto* e = findChild<QLineEdit*>(Name(control))) e->setText(Q(text));
}

std::vector<std::string> TMainForm::Lines(std::string_view memo) const {
    std::vector<std::string> lines;
    const auto* m = findChild<QPlainTextEdit*>(Name(memo));
    if (!m || m->document()->isEmpty()) return lines;
    for (const QString& l : m->toPlainText().split('\n')) lines.push_back(S(l));
    return lines;
}

void TMainForm::SetLines(std::string_view memo, const std::vector<std::string>& lines) {
    auto* m = findChild<QPlainTextEdit*>(Name(memo));
    if (!m) return;
    QStringList text;
    for (const std::string& l : lines) text << Q(l);
    m->setPlainText(text.join('\n'));
}

std::string TMainForm::Cell(std::string_view grid, int row, int column) const {
    const auto* g = findChild<QTableWidget*>(Name(grid));
    const QTableWidgetItem* item = g ? g->item(row, column) : nullptr;
    return item ? S(item->text()) : std::string();
}

void TMainForm::SetCell(std::string_view grid, int row, int column, const std::string& text) {
    auto* g = findChild<QTableWidget*>(Name(grid));
    if (!g || row < 0 || row >= g->rowCount() || column < 0 || column >= g->columnCount()) return;
    if (QTableWidgetItem* item = g->item(row, column))
        item->setText(Q(text));
    else
        g->setItem(row, column, new QTableWidgetItem(Q(text)));
}

void TMainForm::SetCaption(std::string_view control, const std::string& text) {
    // The SMART report's caption holds line breaks; it heads the group's memo.
    if (control == "GroupBox4") {
        if (auto* l = findChild<QLabel*>("SmartReportCaption")) l->setText(Q(text));
        return;
    }
    if (auto* g = findChild<QGroupBox*>(Name(control))) g->setTitle(Q(text));
}

void TMainForm::SetEnabled(std::string_view control, bool enabled) {
    if (auto* w = findChild<QWidget*>(Name(control))) w->setEnabled(enabled);
}

void TMainForm::SetVisible(std::string_view control, bool visible) {
    if (auto* w = findChild<QWidget*>(Name(control))) w->setVisible(visible);
}

bool TMainForm::Checked(std::string_view control) const {
    const auto* c = findChild<QCheckBox*>(Name(control));
    return c && c->isChecked();
}

void TMainForm::SetPageVisible(int page, bool visible) { pages_->setTabVisible(page, visible); }
bool TMainForm::PageVisible(int page) const { return pages_->isTabVisible(page); }
void TMainForm::SetActivePage(int page) { pages_->setCurrentIndex(page); }
int TMainForm::ActivePage() const { return pages_->currentIndex(); }

void TMainForm::ShowDeviceList(const DeviceListModel& list) {
    const QSignalBlocker block(listView_->selectionModel());
    listView_->clear();
    for (const DeviceRow& row : list.Rows) {
        QStringList columns;
        for (const std::string& c : row.Columns) columns << Q(c);
        listView_->addTopLevelItem(new QTreeWidgetItem(columns));
    }
    deviceList_->clear();
    for (const std::string& line : list.Lines) deviceList_->addItem(Q(line));
    if (deviceList_->count() > 0) deviceList_->setCurrentIndex(0);
}

void TMainForm::ShowSplash() {
    if (!splash_) return;
    splash_->show();
    splash_->repaint();
}

void TMainForm::CloseSplash() {
    if (splash_) splash_->close();
}

void TMainForm::CloseMainWindow() { close(); }

}  // namespace qx::utility
