// The utility's window and every page, as an operator sees them on the two
// screens it must fit (1366x768 and 1920x1080): no control below its
// minimum size, outside its parent or over a sibling, no set text cut, the
// device list showing a full rack of eight drives, the timing memo its 15
// lines, the SMART grid its titles whole; screenshots saved for a look.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include "support/layout_check.h"
#include "utility/drive_page_set.h"
#include "utility/forms/form_fixture.h"
#include "utility/forms/main_form.h"
#include "utility/forms/qt_app.h"
#include "utility/forms/splash_form.h"
#include "utility/page_index.h"
#include "utility/support/utility_rack_fixture.h"

namespace qx::test {
namespace {

using utility::TMainForm;

std::string ScreenName() {
    const QSize s = TestScreen();
    return std::to_string(s.width()) + "x" + std::to_string(s.height());
}

class UtilityLayoutTest : public UtilityFormFixture {
protected:
    TMainForm& Form() {
        NewForm(drivePages_).show();
        QApplication::processEvents();
        return *form_;
    }
    // Shows page `page` (hidden ones too), checks the window and saves its picture.
    void ExpectSoundPage(int page, const std::string& what) {
        auto* tabs = form_->findChild<QTabWidget*>("PageControl1");
        ASSERT_NE(tabs, nullptr);
        tabs->setTabVisible(page, true);
        tabs->setCurrentIndex(page);
        QApplication::processEvents();
        const std::string name = "sondrel_" + ScreenName() + "_" + what;
        EXPECT_EQ(LayoutFaults(*form_), std::vector<std::string>{}) << name << Joined(LayoutFaults(*form_));
        SaveLayoutGrab(*form_, name);
    }

    utility::DrivePageSet drivePages_;
};

sim::DriveConfig Produced849(int n) {
    sim::DriveConfig c = Produced("QX00" + std::to_string(n));
    c.systemModel = "849";
    c.systemVersion = "3A0151";
    return c;
}

TEST_F(UtilityLayoutTest, EveryPageOfARackOfEightDrivesFitsTheScreen) {
    if (!TestScreen().isValid()) return RerunAtScreens({{1366, 768}, {1920, 1080}});
    for (int i = 0; i < 8; ++i) Add(IdePath(i), Produced849(i));
    TMainForm& form = Form();
    auto* list = form.findChild<QTreeWidget*>("ListView1");
    ASSERT_EQ(list->topLevelItemCount(), 8);
    form.SelectRow(0);
    form.SetActivePage(utility::kPageSmartInfo);
    form.findChild<QPushButton*>("GetSmartInfoBn")->click();
    QApplication::processEvents();
    ASSERT_TRUE(prompter_.Texts().empty()) << ::testing::PrintToString(prompter_.Texts());

    // All eight rows show whole.
    const QRect last = list->visualItemRect(list->topLevelItem(7));
    EXPECT_TRUE(list->viewport()->rect().contains(last)) << "row 8 at " << last.y() << "+" << last.height()
                                                         << " in a view of " << list->viewport()->height();
    // The timing memo shows its 15 lines without scrolling.
    auto* timing = form.findChild<QPlainTextEdit*>("SSDInfoMemo");
    form.SetActivePage(utility::kPageSsdInfo);
    QApplication::processEvents();
    ASSERT_EQ(timing->blockCount(), 15);
    EXPECT_EQ(timing->verticalScrollBar()->maximum(), 0);
    // The SMART grid's titles are whole, and its report caption heads the
    // memo while the group keeps its one-line title.
    auto* grid = form.findChild<QTableWidget*>("StringGrid1");
    for (int c = 0; c < grid->columnCount(); ++c) {
        const QString title = grid->item(0, c)->text();
        EXPECT_GE(grid->columnWidth(c), grid->fontMetrics().horizontalAdvance(title) + 6) << title.toStdString();
    }
    EXPECT_EQ(form.findChild<QGroupBox*>("GroupBox4")->title(), "S.M.A.R.T");
    EXPECT_EQ(form.findChild<QLabel*>("SmartReportCaption")->text().toStdString().rfind("\nSMART (v", 0), 0u);

    const std::pair<int, const char*> pages[] = {
        {utility::kPageSsdInfo, "ssd_info"},       {utility::kPageEraseCount, "erase_count"},
        {utility::kPageBadBlockInfo, "bad_block"}, {utility::kPageSmartInfo, "smart"},
        {utility::kPageDeviceInfo, "device_info"}, {utility::kPageRandomRw, "random_rw"},
        {utility::kPageDebugTool, "debug_tool"},   {utility::kPageUartLog, "uart_log"},
        {utility::kPageDiagnose, "diagnose"},
    };
    for (const auto& [page, name] : pages) ExpectSoundPage(page, name);
    // On a 1366x768 screen whose task bar takes 40 pixels the window, title
    // bar and border included, is made smaller than its 723 pixels: every
    // page still has room there.
    const QSize least = form.minimumSizeHint();
    EXPECT_LE(least.height() + 36, 768 - 40) << least.height();
    EXPECT_LE(least.width() + 8, 1366) << least.width();
}

TEST_F(UtilityLayoutTest, DeviceInfoOfADriveOnTheControllersOwnUsbShowsItsUsbGroup) {
    if (!TestScreen().isValid()) return RerunAtScreens({{1366, 768}, {1920, 1080}});
    Add(UsbPath(0), NativeUsb("USB1"));
    TMainForm& form = Form();
    form.SelectRow(0);
    QApplication::processEvents();
    EXPECT_TRUE(form.findChild<QGroupBox*>("GroupBox3")->isHidden());
    EXPECT_FALSE(form.findChild<QGroupBox*>("GroupBox9")->isHidden());
    EXPECT_NE(form.Text(utility::EditId::CapEdit), "");
    ExpectSoundPage(utility::kPageDeviceInfo, "device_info_usb");
}

}  // namespace
}  // namespace qx::test
