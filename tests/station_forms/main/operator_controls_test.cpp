// What an operator meets on the station window beside a whole run: START
// after a refused round, the network-folder refusal, the engineering
// tool-bar buttons and their dialogs, "Load INI" refreshing the screen, a
// damaged layout file, and the wait panel's picture.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>

#include <fstream>

#include "station/forms/main/port_panel.h"
#include "station/forms/main/wait_bar.h"
#include "station/panels/panel_grid.h"
#include "station_forms/form_test_support.h"
#include "station_forms/main/main_form_fixture.h"

namespace qx::test {
namespace {

using station::StartOutcome;

// Closes the modal dialog that is about to open, after what has looked at it.
void WhenDialogOpens(std::function<void(QWidget&)> what) {
    WhenModal([what = std::move(what)] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr) << "no dialog opened";
        what(*dialog);
        dialog->close();
    });
}

class OperatorControlsTest : public MainFormTest {
protected:
    // Started and shown with one drive on port 1, as after its arrival.
    void StartWithOneDrive() {
        LoadRack({Drive(false)}, 2);
        ASSERT_EQ(Start(), StartOutcome::Ready);
        form_->show();
        form_->FormShow();
        form_->RefreshBtnClick();
    }

    QPushButton* StartButton() const { return Child<QPushButton>(*form_, "ExecuteBtn"); }
};

// A refused round gives the window back whole: START is usable again at once,
// without Refresh or a replugged drive, and a second press is refused again.
TEST_F(OperatorControlsTest, StartIsUsableAgainAfterARefusedRound) {
    struct Case {
        const char* name;
        std::string testItems;
        std::string flash;
        std::string message;
    };
    const Case cases[] = {
        {"capacity choice differs from the flash part", "", "Capacity=10\n",
         "Please make sure the Flash parameter selection!"},
        {"download without a firmware file", "EnDownload=1\nDownloadType=0\n", "", "At lease one bin file needed!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpProgramFolder();
        WriteSettings("", c.testItems, c.flash);
        StartWithOneDrive();
        ASSERT_TRUE(StartButton()->isEnabled());
        for (int press = 0; press < 2; ++press) {
            prompter_.Clear();
            StartButton()->click();
            EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{c.message});
            EXPECT_TRUE(StartButton()->isEnabled()) << "START stays grey after the refusal";
            EXPECT_TRUE(Child<QPushButton>(*form_, "RefreshBtn")->isEnabled());
            EXPECT_FALSE(form_->Busy());
        }
        form_.reset();
        machine_->Uninstall();
        machine_.reset();
    }
}

// Only while [Setting] EnCheckToolOnRemoteDisk is on does a program folder
// on a network file system end the start-up without a window.
TEST_F(OperatorControlsTest, AProgramFolderOnTheNetworkEndsTheStartUpWhileTheCheckIsOn) {
    LoadRack({Drive(false)}, 2);
    int asked = 0;
    hooks_.programOnRemoteDisk = [&] {
        ++asked;
        return true;
    };
    EXPECT_EQ(Start(), StartOutcome::Aborted);
    EXPECT_EQ(asked, 1);
    form_.reset();
    EXPECT_FALSE(Exists("Style.cs")) << "an aborted start-up saved its layout";

    WriteSettings("EnCheckToolOnRemoteDisk=0\n");
    EXPECT_EQ(Start(), StartOutcome::Ready);
    EXPECT_EQ(asked, 1) << "asked although the check is off";

    form_.reset();   // its settings are saved at the close
    WriteSettings("");
    hooks_.programOnRemoteDisk = [&] {
        ++asked;
        return false;
    };
    EXPECT_EQ(Start(), StartOutcome::Ready);
    EXPECT_EQ(asked, 2);
}

// "RDT" and "Flash Pages" appear with the hidden mode and open their
// dialogs; the RDT settings are there again the next time, and the viewer
// reads the drive of the port whose "?" was pressed last.
TEST_F(OperatorControlsTest, TheEngineeringButtonsOpenTheirDialogsInTheHiddenMode) {
    StartWithOneDrive();
    auto* rdt = Child<QToolButton>(*form_, "SpeedButton7");
    auto* pages = Child<QToolButton>(*form_, "SpeedButton3");
    EXPECT_FALSE(rdt->isVisible());
    EXPECT_FALSE(pages->isVisible());
    for (int id : {4096, 4097, 4098}) {
        auto* key = form_->findChild<QShortcut*>(QString("HotKey%1").arg(id));
        ASSERT_NE(key, nullptr) << id;
        emit key->activated();
    }
    prompter_.Clear();   // the special mode's questions
    ASSERT_TRUE(rdt->isVisible());
    ASSERT_TRUE(pages->isVisible());
    EXPECT_EQ(rdt->text().toStdString(), "RDT");
    EXPECT_EQ(pages->text().toStdString(), "Flash Pages");
    SaveGrab(*form_, "main_form_hidden_mode");

    WhenDialogOpens([](QWidget& dialog) {
        EXPECT_EQ(dialog.objectName().toStdString(), "PatternForm");
        Child<QLineEdit>(dialog, "WaitTimeLEdit")->setText("15");
        Child<QPushButton>(dialog, "Btn_Close")->click();
    });
    rdt->click();
    std::string waitTime;
    WhenDialogOpens([&](QWidget& dialog) { waitTime = Text(Child<QLineEdit>(dialog, "WaitTimeLEdit")); });
    rdt->click();
    EXPECT_EQ(waitTime, "15");

    WhenDialogOpens([](QWidget&) {});   // the port's detail dialog
    form_->Panel(0)->findChild<QAbstractButton*>("PortBitBtn0")->click();
    std::string dump;
    WhenDialogOpens([&](QWidget& dialog) {
        EXPECT_EQ(dialog.objectName().toStdString(), "ReadFlashForm");
        for (const auto& [name, value] : {std::pair{"BankLabeledEdit", "0"}, {"BlockLabeledEdit", "10"},
                                          {"PageLabeledEdit", "0"}, {"PageCountLabeledEdit", "1"}})
            Child<QLineEdit>(dialog, name)->setText(value);
        Child<QPushButton>(dialog, "ReadDataButton")->click();
        dump = Child<QPlainTextEdit>(dialog, "FlashDataMemo0")->toPlainText().toStdString();
    });
    pages->click();
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{});
    EXPECT_EQ(dump.rfind("00000000  ", 0), 0u) << dump.substr(0, 200);
}

// "Load INI" shows what the loaded file brings at once: its yield counters
// and its batch mode.
TEST_F(OperatorControlsTest, LoadIniShowsTheLoadedYieldAndBatchMode) {
    StartWithOneDrive();
    EXPECT_EQ(Text(Child<QLineEdit>(*form_, "YieldEdit")), "0 / 0");
    EXPECT_FALSE(Child<QWidget>(*form_, "PanelBatchMode")->isVisible());
    std::filesystem::create_directories(programDir_.path() / "other_log");
    std::ofstream(programDir_.path() / "other_log" / "QXSSD.log")
        << "[TestRecord]\nTotalTestCount=9\nNumberOfPass=4\n";
    WriteSettings("LogPath=" + folder_ + "other_log/\n", "", "", "other.ini");
    std::ofstream(programDir_.path() / "other.ini", std::ios::app) << "[RDSetting]\nEnBatchMode=1\n";
    prompter_.Answer(std::optional<std::string>(folder_ + "other.ini"));
    Child<QPushButton>(*form_, "INILoadBtn")->click();
    EXPECT_EQ(Text(Child<QLineEdit>(*form_, "YieldEdit")), "4 / 9");
    EXPECT_TRUE(Child<QWidget>(*form_, "PanelBatchMode")->isVisible());
}

// A hand-edited "Style.cs" with places no panel was ever left at: those
// panels stay on the grid and the window keeps its size.
TEST_F(OperatorControlsTest, ADamagedLayoutFileLeavesThosePanelsOnTheGrid) {
    LoadRack({Drive(false)}, 3);
    std::ofstream(programDir_.path() / "Style.cs")
        << "[Style]\nPortPanel0=Left 2147483000 Top 0 Width 5000 Height 129\n"
           "PortPanel1=Left 10 Top 2147483600 Width 249 Height 5000\n"
           "PortPanel2=Left 300 Top 20 Width 249 Height 129\n"
           "[Main]\nLeft=0\nTop=0\nWidth=2147483000\nHeight=700\n";
    ASSERT_EQ(Start(), StartOutcome::Ready);
    EXPECT_EQ(form_->Panel(0)->pos(), QPoint(0, 0));
    EXPECT_EQ(form_->Panel(1)->pos().x(), 0);
    EXPECT_LT(form_->Panel(1)->pos().y(), 1000);
    EXPECT_EQ(form_->Panel(2)->pos(), QPoint(300, 20)) << "a sound place is still taken";
    // The width falls back to its default, the sound height is taken (neither
    // below what the window's controls need).
    EXPECT_EQ(form_->width(), std::max(600, form_->minimumWidth()));
    EXPECT_EQ(form_->height(), std::max(700, form_->minimumHeight()));
}

TEST(WaitBar, SlidesFromTheLeftInStepsOfTwoAndStartsAgain) {
    struct Step {
        int from, to;
    };
    for (const Step& s : {Step{-240, -238}, Step{-4, -2}, Step{-2, 0}, Step{0, -240}, Step{-1, -240}})
        EXPECT_EQ(station::NextWaitBarOffset(s.from), s.to) << s.from;
}

// The wait panel moves its picture while a run shows it, and stops when the
// run hides it again.
TEST_F(OperatorControlsTest, TheWaitPanelSlidesOnlyWhileShown) {
    StartWithOneDrive();
    auto* panel = Child<QWidget>(*form_, "WaitPanel");
    auto* bar = Child<station::WaitBar>(*panel, "PaintBox1");
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(bar->Sliding());
    form_->SetWaitAnimation(true);
    EXPECT_TRUE(bar->Sliding());
    for (int i = 0; i < 60; ++i) bar->Tick();
    EXPECT_EQ(bar->Offset(), -120);
    SaveGrab(*form_, "main_form_waiting");
    form_->SetWaitAnimation(false);
    EXPECT_FALSE(bar->Sliding());
}

}  // namespace
}  // namespace qx::test
