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
#include <stdexcept>

#include "ui/latin1_text.h"
#include "ui/widgets/window_fit.h"
#include "utility/page_index.h"
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

constexpr QSize kClientSize(1194, 723);

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
    ui::NoMaximiseButton(*this);

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
    BindControls();
    // 1194 x 723, fixed, centred; smaller where the screen's free area
    // (a task bar left out) cannot hold it with its title bar.
    // Never smaller than its pages need, though.
    ui::FitToScreen(*this, kClientSize);
    setFixedSize(size().expandedTo(minimumSizeHint()));

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
    const auto button = hotKeyButtons_.find(HotKeyButton(ActivePage(), key));
    if (button != hotKeyButtons_.end() && button->second->isEnabled()) button->second->click();
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

namespace {

template <typename Widget, typename Id>
void BindAll(const QWidget& form, std::array<Widget*, kIdCount<Id>>& into) {
    for (Id id : AllIds<Id>()) {
        Widget* w = form.findChild<Widget*>(Name(NameOf(id)));
        if (!w) throw std::logic_error("The window has no control " + std::string(NameOf(id)) + ".");
        into[static_cast<std::size_t>(id)] = w;
    }
}

template <typename Widget, typename Id>
Widget* At(const std::array<Widget*, kIdCount<Id>>& controls, Id id) {
    return controls[static_cast<std::size_t>(id)];
}

}  // namespace

void TMainForm::BindControls() {
    BindAll<QLineEdit, EditId>(*this, edits_);
    BindAll<QPlainTextEdit, MemoId>(*this, memos_);
    BindAll<QTableWidget, GridId>(*this, grids_);
    BindAll<QWidget, SwitchId>(*this, switches_);
    BindAll<QCheckBox, CheckId>(*this, checks_);
    // A caption heads its group: the group's own label.
    std::array<QGroupBox*, kIdCount<CaptionId>> groups{};
    BindAll<QGroupBox, CaptionId>(*this, groups);
    for (CaptionId id : AllIds<CaptionId>()) {
        auto* label = At(groups, id)->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        if (!label) throw std::logic_error("The group " + std::string(NameOf(id)) + " has no caption label.");
        captions_[static_cast<std::size_t>(id)] = label;
    }
    for (int page = 0; page < kPageCount; ++page)
        for (HotKey key : {HotKey::CtrlS, HotKey::AltS, HotKey::CtrlG, HotKey::CtrlR}) {
            const std::string_view name = HotKeyButton(page, key);
            if (name.empty() || hotKeyButtons_.count(name)) continue;
            auto* button = findChild<QPushButton*>(Name(name));
            if (!button) throw std::logic_error("The window has no button " + std::string(name) + ".");
            hotKeyButtons_[name] = button;
        }
}

void TMainForm::ClearFields() {
    for (QLineEdit* e : edits_) e->clear();
    for (QPlainTextEdit* m : memos_) m->clear();
    for (QTableWidget* g : grids_)
        for (int r = 0; r < std::min(kClearedGridRows, g->rowCount()); ++r)
            for (int c = 0; c < g->columnCount(); ++c)
                if (QTableWidgetItem* item = g->item(r, c)) item->setText({});
}

std::string TMainForm::Text(EditId edit) const { return S(At(edits_, edit)->text()); }

void TMainForm::SetText(EditId edit, const std::string& text) { At(edits_, edit)->setText(Q(text)); }

std::vector<std::string> TMainForm::Lines(MemoId memo) const {
    std::vector<std::string> lines;
    const QPlainTextEdit* m = At(memos_, memo);
    if (m->document()->isEmpty()) return lines;
    for (const QString& l : m->toPlainText().split('\n')) lines.push_back(S(l));
    return lines;
}

void TMainForm::SetLines(MemoId memo, const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& l : lines) text << Q(l);
    At(memos_, memo)->setPlainText(text.join('\n'));
}

std::string TMainForm::Cell(GridId grid, int row, int column) const {
    const QTableWidgetItem* item = At(grids_, grid)->item(row, column);
    return item ? S(item->text()) : std::string();
}

void TMainForm::SetCell(GridId grid, int row, int column, const std::string& text) {
    QTableWidget* g = At(grids_, grid);
    if (row < 0 || row >= g->rowCount() || column < 0 || column >= g->columnCount()) return;
    if (QTableWidgetItem* item = g->item(row, column))
        item->setText(Q(text));
    else
        g->setItem(row, column, new QTableWidgetItem(Q(text)));
}

// The SMART report's caption holds line breaks: it heads the group's memo,
// and the group keeps its one-line title.
void TMainForm::SetCaption(CaptionId control, const std::string& text) { At(captions_, control)->setText(Q(text)); }

void TMainForm::SetEnabled(SwitchId control, bool enabled) { At(switches_, control)->setEnabled(enabled); }

void TMainForm::SetVisible(SwitchId control, bool visible) { At(switches_, control)->setVisible(visible); }

bool TMainForm::Checked(CheckId control) const { return At(checks_, control)->isChecked(); }

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
