// The station window offscreen on a simulated rack: start-up, a whole run
// through START, the panels it leaves, what survives a restart, and the
// start-ups that must end without a window.
#include <QLineEdit>

#include <functional>
#include <QProcess>
#include <QPushButton>
#include <QToolButton>
#include <QApplication>
#include <QMouseEvent>

#include "platform/single_instance.h"
#include "station/forms/main/port_panel.h"
#include "station/panels/panel_drawing.h"
#include "station/panels/style_layout.h"
#include "station_forms/form_test_support.h"
#include "station_forms/main/main_form_fixture.h"

namespace qx::test {
namespace {

using station::StartOutcome;

TEST_F(MainFormTest, ARunThroughStartLeavesEachPanelWithItsResult) {
    sim::DriveConfig broken = Drive(true);
    broken.busStuckBits = 0x0040;   // the bus interface test fails
    LoadRack({Drive(false), broken, Drive(true)}, 4);
    ASSERT_EQ(Start(), StartOutcome::Ready);
    form_->show();
    form_->FormShow();
    EXPECT_EQ(PortCount, 4);
    ASSERT_EQ(form_->BuiltPanels(), 4);
    form_->RefreshBtnClick();
    auto* start = Child<QPushButton>(*form_, "ExecuteBtn");
    ASSERT_TRUE(start->isEnabled()) << "START stays off with drives attached";
    EXPECT_EQ(start->text().toStdString(), "START");
    EXPECT_EQ(form_->Panel(0)->Color(), station::kPanelYellow);

    start->click();

    struct Expected {
        int port;
        std::string caption;
        std::uint32_t color;
        bool visible;
    };
    for (const Expected& e : {Expected{0, "Pass", station::kPanelLime, true},
                              Expected{1, "(A00) Bus Interface Test Fail", station::kPanelRed, true},
                              Expected{2, "Pass", station::kPanelLime, true},
                              Expected{3, "", station::kPanelButtonFace, false}}) {
        SCOPED_TRACE(e.port);
        const station::PortPanel* panel = form_->Panel(e.port);
        EXPECT_EQ(panel->Caption(), e.caption);
        EXPECT_EQ(panel->Color(), e.color);
        EXPECT_EQ(panel->isVisible(), e.visible);
    }
    EXPECT_EQ(Text(Child<QLineEdit>(*form_, "YieldEdit")), "2 / 3");
    EXPECT_FALSE(Text(Child<QLineEdit>(*form_, "ElapsedTime")).empty());
    const auto& logFile = form_->Results().LogFile();
    const std::string log = ReadAll(logFile.LogFileName);
    EXPECT_NE(log.find("\tPass\t"), std::string::npos) << log;
    SaveGrab(*form_, "main_form_after_run");
}

TEST_F(MainFormTest, LayoutAndYieldSurviveARestart) {
    LoadRack({Drive(false)}, 2);
    ASSERT_EQ(Start(), StartOutcome::Ready);
    form_->Settings().TotalTestCount = 7;
    form_->Settings().NumberOfPass = 5;
    form_->Panel(1)->move(400, 10);
    form_.reset();   // the window's close: layout, settings and yield saved
    ASSERT_TRUE(Exists("Style.cs"));
    EXPECT_NE(ReadAll(programDir_.path() / "Style.cs").find("PortPanel1=Left 400 Top 10 Width 249 Height 129"),
              std::string::npos);

    ASSERT_EQ(Start(), StartOutcome::Ready);
    EXPECT_EQ(form_->Panel(1)->pos(), QPoint(400, 10));
    EXPECT_EQ(form_->Panel(0)->pos(), QPoint(0, 0));
    EXPECT_EQ(Text(Child<QLineEdit>(*form_, "YieldEdit")), "5 / 7");
    form_->ResetYieldBtnClick();
    EXPECT_EQ(Text(Child<QLineEdit>(*form_, "YieldEdit")), "0 / 0");
}

TEST_F(MainFormTest, FiftyPortsStartAndFiftyOneEndWithTheMessageAndNothingWritten) {
    LoadRack({Drive(false)}, 50);
    EXPECT_EQ(Start(), StartOutcome::Ready);
    EXPECT_EQ(form_->BuiltPanels(), 50);
    form_.reset();
    machine_->Uninstall();
    std::filesystem::remove(programDir_.path() / "Style.cs");
    const std::string settingsBefore = ReadAll(programDir_.path() / "QXMPTOOL.ini");

    TempDir rack51;
    {
        sim::SimRack rack;
        rack.AddDrive(DrivePath(1), Drive(false));
        ASSERT_TRUE(rack.SaveState(rack51.path().string()));
    }
    std::ofstream(rack51.path() / "rack.ini", std::ios::app) << "[usb]\nroot=51\nport=0.1 drive01\n";
    std::string error;
    machine_ = sim::SimMachine::LoadFolder(rack51.path().string(), &error);
    ASSERT_TRUE(machine_) << error;
    machine_->Install();
    prompter_.Clear();
    EXPECT_EQ(Start(), StartOutcome::TooManyPorts);
    EXPECT_EQ(prompter_.Texts(),
              std::vector<std::string>{"Up to the limitation of total port number(50), Please remove the usb hub! (51)"});
    form_.reset();
    EXPECT_FALSE(Exists("Style.cs"));
    EXPECT_EQ(ReadAll(programDir_.path() / "QXMPTOOL.ini"), settingsBefore);
    machine_->Uninstall();
    machine_.reset();
}

// An aborted start-up says why in a box (the window never appears),
// releases what it took and writes nothing: not the settings, not
// "Style.cs", not the yield file.
TEST_F(MainFormTest, AnAbortedStartUpShowsWhyAndSavesNothing) {
    struct Case {
        const char* name;
        std::function<void()> breakIt;
        std::string shown;
    };
    const Case cases[] = {
        {"the part list the settings need is missing",
         [&] { std::filesystem::remove(programDir_.path() / "Flash.ini"); },
         "Please make sure the flash file Flash.ini format correct!\n"},
        {"the log folder cannot be made",
         [&] {
             std::ofstream(programDir_.path() / "plainfile") << "x";
             WriteSettings("LogPath=" + folder_ + "plainfile/log/\n");
         },
         "Cannot create log directory."},
    };
    LoadRack({Drive(false)}, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpProgramFolder();
        c.breakIt();
        const std::string settingsBefore = ReadAll(programDir_.path() / "QXMPTOOL.ini");
        prompter_.Clear();
        EXPECT_EQ(Start(), StartOutcome::Aborted);
        EXPECT_FALSE(form_->isVisible());
        ASSERT_FALSE(prompter_.Records().empty());
        EXPECT_EQ(prompter_.Records().back().text, c.shown);
        EXPECT_EQ(prompter_.Records().back().caption, "Error");
        form_.reset();
        for (const char* name : {"Style.cs", "log/QXSSD.log"}) EXPECT_FALSE(Exists(name)) << name;
        EXPECT_EQ(ReadAll(programDir_.path() / "QXMPTOOL.ini"), settingsBefore);
    }
}

// A connection count beyond the ports found has no item in the box: the
// record keeps its value and the settings file still holds it at exit.
TEST_F(MainFormTest, AConnectionCountBeyondThePortsIsKept) {
    WriteSettings("ConnectDevNum=5\n");
    LoadRack({Drive(false)}, 2);
    ASSERT_EQ(Start(), StartOutcome::Ready);
    form_.reset();
    EXPECT_NE(ReadAll(programDir_.path() / "QXMPTOOL.ini").find("ConnectDevNum=5"), std::string::npos);
}

// The settings area's engineering buttons reach their handlers through the
// window: "GenImage" asks for the image path, a table-file button opens its
// file dialog.
TEST_F(MainFormTest, GenImageAndTheTableFileButtonsAreWired) {
    LoadRack({Drive(false)}, 2);
    ASSERT_EQ(Start(), StartOutcome::Ready);
    prompter_.Clear();
    auto* gen = form_->findChild<QAbstractButton*>("GenImageBn");
    ASSERT_NE(gen, nullptr);
    gen->click();   // cancelled by the scripted prompter
    auto records = prompter_.Records();
    ASSERT_GE(records.size(), 1u);
    EXPECT_EQ(records[0].caption, "Image Path");
    EXPECT_EQ(records[0].input.prompt, "Please Input Path of Dump Image");
    prompter_.Clear();
    auto* get = form_->findChild<QAbstractButton*>("GetDefTabBtn");
    ASSERT_NE(get, nullptr);
    get->click();
    records = prompter_.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, ui::PromptKind::File);
}

TEST_F(MainFormTest, CommandLineWordsReachTheWindow) {
    LoadRack({Drive(false)}, 2);
    ASSERT_EQ(Start("fablane AutoExecuteQuit CaptureAppImage"), StartOutcome::Ready);
    EXPECT_TRUE(form_->Flags().autoExecute);
    EXPECT_TRUE(form_->Flags().autoExecuteQuit);
    EXPECT_TRUE(form_->Flags().captureAppImage);
    EXPECT_FALSE(form_->Flags().singleExecuteResult);
    EXPECT_EQ(form_->windowTitle().toStdString(), "Quorlix 849K SATA M.P. Tool A.2.03.107");
}

// Bar codes nobody can scan: with a display the window starts as always and
// asks later; without one start-up ends before a port is scanned, the box
// (a console line) naming the setting.
TEST_F(MainFormTest, ASettingThatNeedsAnOperatorEndsAnUnattendedStartOnly) {
    LoadRack({Drive(false)}, 2);
    WriteSettings("EnBarCode=1\n");
    ASSERT_EQ(Start("fablane AutoExecuteQuit"), StartOutcome::Ready);
    EXPECT_TRUE(prompter_.Texts().empty());

    unattended_ = true;
    form_.reset();
    ClearPortTable(ActivePortTable);
    PortCount = 0;
    ASSERT_EQ(Start("fablane AutoExecuteQuit"), StartOutcome::NeedsOperator);
    ASSERT_EQ(prompter_.Texts().size(), 1u);
    EXPECT_NE(prompter_.Texts()[0].find("[Setting] EnBarCode needs an operator"), std::string::npos)
        << prompter_.Texts()[0];
    EXPECT_EQ(PortCount, 0) << "no port was scanned";
    EXPECT_EQ(form_->BuiltPanels(), 0);
}

// A press and a move: the panel follows the mouse unless the panels are
// pinned (PinSBtn down, as at start); Reset Layout puts it back on the grid.
TEST_F(MainFormTest, PanelsMoveOnlyWhenUnpinnedAndResetLayoutRegridsThem) {
    LoadRack({Drive(false)}, 2);
    ASSERT_EQ(Start(), StartOutcome::Ready);
    form_->show();
    station::PortPanel* panel = form_->Panel(1);
    const QPoint home = panel->pos();
    const auto drag = [&] {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), panel->mapToGlobal(QPointF(10, 10)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &press);
        QMouseEvent move(QEvent::MouseMove, QPointF(60, 40), panel->mapToGlobal(QPointF(60, 40)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(60, 40), panel->mapToGlobal(QPointF(60, 40)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &release);
    };
    auto* pin = Child<QToolButton>(*form_, "PinSBtn");
    ASSERT_TRUE(pin->isChecked());
    drag();
    EXPECT_EQ(panel->pos(), home) << "a pinned panel moved";
    form_->ResetLayoutClick();
    EXPECT_EQ(panel->pos(), home);

    pin->setChecked(false);
    drag();
    EXPECT_EQ(panel->pos(), home + QPoint(50, 30));
    form_->ResetLayoutClick();
    EXPECT_EQ(panel->pos(), home);
}

// A second station leaves at once with exit code 1 and shows nothing.
TEST(StationProgram, ASecondInstanceExitsWithOne) {
    // The lock lives in the runtime folder: a folder of this test's own, so a
    // station run by another test does not count.
    TempDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().string().c_str());
    const platform::SingleInstanceGuard first(station::kInstanceName);
    ASSERT_FALSE(first.HeldByAnother());
    QProcess second;
    second.start(QString(QX_BIN_DIR) + "/fablane", {});
    ASSERT_TRUE(second.waitForFinished(60'000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    qunsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace qx::test
