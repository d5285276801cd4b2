#include "station/forms/settings/settings_area.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include "qxlib/base/debug_print.h"
#include "qxlib/settings/global_parameter.h"
#include "station/forms/form_text.h"
#include "station/forms/settings/control_rows.h"
#include "station/results/log_directory.h"
#include "station/settings/settings_window_state.h"
#include "station/settings/test_item_list.h"
#include "ui/prompter.h"

namespace qx::station {
namespace {

struct PageName {
    const char* Name;
    const char* Caption;
};

// PageControl1's pages in page order.
constexpr PageName kPages[] = {
    {"TabSheet1", "Test Items"},      {"TabSheet2", "Flash Setting"}, {"TabSheet6", "Dram Setting"},
    {"TabSheet3", "Device Setting"},  {"TabSheet4", "F/W Setting"},   {"TabSheet16", "Identify Setting"},
    {"TabSheet5", "RD"},              {"TabSheet18", "RDT F/W Setting"}, {"TabSheet23", "Batch Mode"},
};
constexpr int kDramPage = 2;
constexpr int kRdPage = 6;
constexpr int kRdtFirmwarePage = 7;
constexpr int kBatchPage = 8;
// Rows of the test-item list in view; it scrolls for the rest.
constexpr int kTestItemRowsShown = 7;

}  // namespace

SettingsArea::SettingsArea(SettingsStores stores, ui::Prompter& prompter, QWidget* parent)
    : QWidget(parent), stores_(stores), prompter_(prompter) {
    setObjectName("TopPanel");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl1");
    layout->addWidget(pages_, 1);
    for (const PageName& named : kPages) {
        auto* page = new QWidget(pages_);
        page->setObjectName(named.Name);
        pages_->addTab(page, named.Caption);
    }
    BuildTestItemsPage(Page(0));
    BuildFlashPage(Page(1));
    BuildDramPage(Page(kDramPage));
    BuildDevicePage(Page(3));
    BuildFirmwarePage(Page(4));
    BuildIdentifyPage(Page(5));
    BuildRdPages(Page(kRdPage), Page(kRdtFirmwarePage), Page(kBatchPage));
    BuildPanel7();
    for (int hidden : {kDramPage, kRdPage, kRdtFirmwarePage, kBatchPage}) pages_->setTabVisible(hidden, false);
    pages_->setCurrentIndex(0);
    BuildControlRows();
    WireHandlers();
}

SettingsArea::~SettingsArea() = default;

QWidget* SettingsArea::Page(int index) const { return pages_->widget(index); }

void SettingsArea::SetStatus(int panel, const std::string& text) {
    stores_.Window.StatusPanels[static_cast<std::size_t>(panel)] = text;
    emit statusTextChanged(panel, Q(text));
}

void SettingsArea::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        DebugPrint("%s\n", e.what());
        prompter_.Error(e.what());
    }
}

void SettingsArea::SetPortCount(int portCount) {
    auto* box = Find<QComboBox>("ConnectionChkCmbox");
    box->clear();
    box->addItem("Don't Care");
    for (int i = 1; i <= portCount; ++i) box->addItem(QString::number(i));
    box->setCurrentIndex(stores_.Settings.ConnectDevNum);
}

void SettingsArea::ApplySettingsLock() {
    const bool unlocked = stores_.Window.SettingsUnlocked != 0;
    for (int i = 0; i < pages_->count(); ++i) Page(i)->setEnabled(unlocked);
    Find<QPushButton>("INISaveBtn")->setEnabled(unlocked);
}

void SettingsArea::RebuildTestItemList() {
    buildingList_ = true;
    testItems_->clear();
    for (const TestItemRow& row : BuildTestItemRows(stores_.Settings)) {
        auto* item = new QListWidgetItem(Q(row.Text), testItems_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(row.Checked ? Qt::Checked : Qt::Unchecked);
    }
    // The list shows whole rows: a last row cut in half reads as a fault.
    if (testItems_->count() > 0)
        testItems_->setFixedHeight(kTestItemRowsShown * testItems_->sizeHintForRow(0) + 2 * testItems_->frameWidth());
    buildingList_ = false;
}

void SettingsArea::FunCheckListBoxClickCheck() {
    std::vector<TestItemRow> rows;
    for (int i = 0; i < testItems_->count(); ++i)
        rows.push_back({S(testItems_->item(i)->text()), testItems_->item(i)->checkState() == Qt::Checked});
    TakeTestItemChecks(rows, stores_.Settings);
    buildingList_ = true;
    for (int i = 0; i < testItems_->count(); ++i)
        testItems_->item(i)->setCheckState(rows[static_cast<std::size_t>(i)].Checked ? Qt::Checked : Qt::Unchecked);
    buildingList_ = false;
    BinFileChkClick();
}

void SettingsArea::SubPageControl() {
    auto* options = Find<QTabWidget>("PageControl2");
    const QListWidgetItem* selected = testItems_->currentItem();
    const std::string page = selected ? std::string(OptionPageOfStep(S(selected->text()))) : std::string();
    int shown = -1;
    for (int i = 0; i < options->count(); ++i) {
        const bool show = !page.empty() && S(options->tabText(i)) == page;
        options->setTabVisible(i, show);
        if (show) shown = i;
    }
    if (shown >= 0) options->setCurrentIndex(shown);
}

}  // namespace qx::station
