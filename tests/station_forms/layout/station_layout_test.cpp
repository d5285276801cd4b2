// The station window, every settings and option page and every dialog, on a
// 1366 x 768 and a 1920 x 1080 screen: no control below its minimum size,
// outside its parent or over a sibling, no set text cut, every window inside
// the screen with room for its title bar, and no maximise button. The port
// panel's status text holds every failure text whole. Screenshots go to the
// build folder's form_grabs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "qxlib/error_items/error_items.h"
#include "station/engineering/access_levels.h"
#include "station/forms/detail_form.h"
#include "station/forms/engineering/access_handlers.h"
#include "station/forms/engineering/flash_info_form.h"
#include "station/forms/engineering/pattern_form.h"
#include "station/forms/engineering/read_flash_form.h"
#include "station/forms/error_form.h"
#include "station/forms/input_box_form.h"
#include "station/forms/main/port_panel.h"
#include "station/panels/panel_drawing.h"
#include "station/engineering/flash_auto_detect.h"
#include "station/forms/settings/settings_area.h"
#include "station/forms/title_form.h"
#include "station/forms/workorder_form.h"
#include "station/identity/barcode_request.h"
#include "station_forms/form_test_support.h"
#include "station_forms/main/main_form_fixture.h"
#include "support/layout_check.h"
#include "ui/prompter.h"
#include "ui/widgets/barcode_dialog.h"
#include "ui/widgets/qt_prompter.h"

namespace qx::test {
namespace {

// A window manager's title bar over the client area.
constexpr int kTitleBarHeight = 30;

std::string ScreenName() {
    const QSize s = TestScreen();
    return std::to_string(s.width()) + "x" + std::to_string(s.height());
}

// Sound layout, room for the title bar on the screen, no maximise button.
void ExpectSoundWindow(QWidget& window, const std::string& name) {
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(LayoutFaults(window), std::vector<std::string>{}) << name << Joined(LayoutFaults(window));
    const QRect free = window.screen()->availableGeometry();
    EXPECT_LE(window.frameGeometry().height() + kTitleBarHeight, free.height()) << name;
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint) && !flags.testFlag(Qt::WindowMaximizeButtonHint))
        << name << " offers a maximise button";
    SaveLayoutGrab(window, "layout_" + ScreenName() + "_" + name);
}

// The station window on a rack of `ports` ports with a drive on each, each
// settings page and each option page shown in turn.
class StationWindowLayoutTest : public MainFormTest, public ::testing::WithParamInterface<int> {};

TEST_P(StationWindowLayoutTest, EveryPageFitsTheScreen) {
    if (!TestScreen().isValid()) return RerunAtScreens({{1366, 768}, {1920, 1080}});
    const int ports = GetParam();
    LoadRack(std::vector<sim::DriveConfig>(static_cast<std::size_t>(ports), Drive(false)), ports);
    ASSERT_EQ(Start(), station::StartOutcome::Ready);
    station::TMainForm& form = *form_;
    // Hidden mode shows the engineers' controls too.
    for (int key : {station::kHotKeyFirst, station::kHotKeySecond, station::kHotKeyThird})
        station::WMHotKey(form.Area(), prompter_, key);
    station::Label27Click(form.Area(), Qt::ControlModifier);
    form.show();
    form.RefreshBtnClick();
    // The panels as a run leaves them: the longest failure texts, a pass,
    // a serial number and a WWN of full length.
    const char* captions[] = {"(P06) Upper Prog. Fail Over Spec Fail", "(Q04) IDEMA Capacity Check Fail",
                              "Fail (A00)(- -)", "Fail (T00), Temperature:-128", "Pass - 122104 MB", "Pass"};
    for (int port = 0; port < form.BuiltPanels(); ++port) {
        const char* caption = captions[port % 6];
        form.SetCaption(port, caption, caption[0] == 'P' ? station::kPanelLime : station::kPanelRed);
        form.SetSerialText(port, "QXW1234-0001-ABC");
        form.SetWwnText(port, "5001B44A1234567F");
    }
    QApplication::processEvents();
    EXPECT_TRUE(form.Panel(0)->isVisible()) << "the drives were not found";
    const QRect free = form.screen()->availableGeometry();
    EXPECT_LE(std::abs(form.frameGeometry().center().x() - free.center().x()), 2) << "not centred";
    EXPECT_LE(std::abs(form.frameGeometry().center().y() + kTitleBarHeight / 2 - free.center().y()), kTitleBarHeight)
        << "not centred";
    const std::string base = "station_" + std::to_string(ports) + "ports";

    auto* pages = form.findChild<QTabWidget*>("PageControl1");
    auto* options = form.findChild<QTabWidget*>("PageControl2");
    ASSERT_TRUE(pages && options);
    for (int i = 0; i < pages->count(); ++i) {
        pages->setTabVisible(i, true);
        pages->setCurrentIndex(i);
        ExpectSoundWindow(form, base + "_" + pages->widget(i)->objectName().toStdString());
    }
    pages->setCurrentIndex(0);
    for (int i = 0; i < options->count(); ++i) {
        options->setTabVisible(i, true);
        options->setCurrentIndex(i);
        ExpectSoundWindow(form, base + "_" + options->widget(i)->objectName().toStdString());
    }

    // The flash auto-detect result over this window's settings: two parts
    // of one flash ID to choose from.
    station::SettingsStores& stores = form.Area().Stores();
    ASSERT_FALSE(stores.Parts.FlashPartTable.empty());
    station::FlashCandidates found =
        station::FindFlashCandidates(stores.Parts, stores.Parts.FlashPartTable.front().FlashId);
    ASSERT_GE(found.Count, 1);
    found.Vendor[1] = found.Vendor[0];
    found.Code[1] = found.Code[0];
    found.Count = 2;
    station::TFlashInfoFrom detect(form.Area(), prompter_);
    detect.SetCandidates(found);
    ExpectSoundWindow(detect, "flash_info_form_" + std::to_string(ports) + "ports");
}

INSTANTIATE_TEST_SUITE_P(Ports, StationWindowLayoutTest, ::testing::Values(8, 50));

// Every status text a failed drive's panel shows, for every error item:
// the panel's caption shows it whole.
TEST(PortPanelLayoutTest, EveryFailureTextFitsTheStatusText) {
    station::PortPanel panel(0, nullptr);
    panel.show();
    auto* caption = panel.findChild<QLabel*>("PortCaption0");
    ASSERT_NE(caption, nullptr);
    int widest = 0;
    for (int item = 0; item < 88; ++item) {
        const std::string code(ErrorItemCode(item));
        if (code.empty()) continue;
        const std::string step(ErrorItemStepName(item));
        char texts[4][128];
        std::snprintf(texts[0], sizeof texts[0], "(%s) %s Fail", code.c_str(), step.c_str());
        std::snprintf(texts[1], sizeof texts[1], "Fail (%s)(- -)", code.c_str());
        std::snprintf(texts[2], sizeof texts[2], "Fail (%s)(%2.2d)", code.c_str(), 15);
        std::snprintf(texts[3], sizeof texts[3], "Fail (%s), Temperature:%d", code.c_str(), -128);
        for (const char* text : texts) {
            panel.SetCaption(text);
            const int needed = caption->fontMetrics().horizontalAdvance(caption->text());
            widest = std::max(widest, needed);
            EXPECT_EQ(caption->text().toStdString(), text);
            EXPECT_LE(needed, caption->contentsRect().width()) << text;
            EXPECT_TRUE(panel.rect().contains(caption->geometry())) << text;
            EXPECT_GE(caption->font().pointSizeF(), 7.0) << text << " shrinks past reading";
        }
    }
    panel.SetCaption("(P06) Upper Prog. Fail Over Spec Fail");
    panel.SetColor(0x000000FF);
    SaveLayoutGrab(panel, "layout_port_panel_longest_failure");
    EXPECT_GT(widest, 0);
}

// Every dialog of the station on each screen.
class StationDialogLayoutTest : public ::testing::Test {
protected:
    ui::ScriptedPrompter prompter_;
};

TEST_F(StationDialogLayoutTest, EveryDialogFitsTheScreen) {
    if (!TestScreen().isValid()) return RerunAtScreens({{1366, 768}, {1920, 1080}});
    for (int showTitle : {0, 1, 2}) {
        station::TTitleForm title(showTitle);
        ExpectSoundWindow(title, "title_form_" + std::to_string(showTitle));
    }
    station::TWorkorderForm workorder(prompter_);
    ExpectSoundWindow(workorder, "workorder_form");
    for (int kind : {1, 2, 3, 4}) {
        station::TInputBoxForm box;
        box.FormShow(station::BarcodeRequestFor(kind, 2, false));
        ExpectSoundWindow(box, "input_box_kind" + std::to_string(kind));
    }
    station::TDetailForm detail;
    station::DriveDetail d;
    d.memoLines = {"Model Number: QX SSD 849K 128GB", "Serial Number: QXW1234-0001-ABC", "Firmware: QXSS1020"};
    d.fwInfoRead = true;
    d.fwInfo = "QXSS102003 2026/12/11";
    detail.ShowDetail(d);
    ExpectSoundWindow(detail, "detail_form");
    station::TErrorForm error(nullptr, station::StationPortTables());
    error.ShowEntries({"(P06) Upper Prog. Fail Over Spec Fail", "CH0 CE1 Block 1234 Page 255", "Later bad: 12"});
    ExpectSoundWindow(error, "error_form");
    station::RdtTaskSettings rdt;
    station::TPatternForm pattern(rdt, "/tmp/", prompter_);
    ExpectSoundWindow(pattern, "pattern_form");
    pattern.Shape1MouseDown(Qt::ControlModifier);
    ExpectSoundWindow(pattern, "pattern_form_special");
    FlashConfig config{};
    config.ChannelCount = 4;
    config.BankCount = 8;
    GlobalParameter settings{};
    station::TReadFlashForm read({config, settings, [] { return 1; }, "/tmp/", station::StationPortTables()}, prompter_);
    ExpectSoundWindow(read, "read_flash_form");
    ui::BarcodeDialog barcode({"Please Input the SN and PPID", "Serial Number", "Customer P/N(PPID)", "", "", 39, 23});
    ExpectSoundWindow(barcode, "barcode_dialog");
}

// The boxes of the desktop prompter: checked while they are open.
TEST_F(StationDialogLayoutTest, ThePromptersBoxesFitTheirTitles) {
    if (!TestScreen().isValid()) return RerunAtScreens({{1366, 768}, {1920, 1080}});
    ui::QtPrompter qt;
    int checked = 0;
    const auto checkOpenBox = [&](const std::string& name) {
        QTimer::singleShot(0, [&, name] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr) << name;
            ExpectSoundWindow(*box, name);
            ++checked;
            if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->reject();
        });
    };
    checkOpenBox("password_box");
    qt.Input({"Please Input the Password", "Password", "", true});
    checkOpenBox("error_box");
    qt.Error("Invalid Read Flash Block!");
    checkOpenBox("question_box");
    qt.Box({"Warning", "The settings file was changed. Save it?", ui::BoxIcon::Question, ui::BoxButtons::YesNo});
    EXPECT_EQ(checked, 3);
}

}  // namespace
}  // namespace qx::test
