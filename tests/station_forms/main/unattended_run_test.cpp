// The station program run with nobody at it (offscreen) on a simulated rack:
// a setting that needs an operator ends it before any round with its own exit
// code and a console line naming the setting; a word inside the program's
// own path starts nothing; a plain round still ends with 0. Every start has a
// time limit, so a program that waits for ever fails the test instead of
// hanging it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "station/entry/exit_codes.h"
#include "support/station_folder.h"
#include "support/temp_dir.h"

namespace qx::test {
namespace {

namespace fs = std::filesystem;

constexpr int kEndWithinMs = 120'000;

constexpr const char* kRack =
    "[rack]\nversion=1\n"
    "[drive01]\npath=\\\\?\\usbstor#disk&ven_qx&prod_sata#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\n"
    "frontEnd=bridge\nstate=loader\nvendorMode=1\nbusyPolls=0\ncapacitySectors=2097152\nserial=QXU00001\n"
    "[usb]\nroot=2\nport=0.1 drive01\n";

bool HasProductionLog(const fs::path& station) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(station / "log", ec))
        if (e.path().extension() == ".txt" && std::isdigit(static_cast<unsigned char>(e.path().filename().string()[0])))
            return true;
    return false;
}

class UnattendedRunTest : public ::testing::Test {
protected:
    // The station in a folder of the given name, one drive on the rack, and
    // its settings: a one-step round, with the extra [Setting] lines.
    void Install(const std::string& folderName, const std::string& extraSettings,
                 const std::string& testItems = "EnSataTest=1\n") {
        station_ = work_.path() / folderName;
        rack_ = work_.path() / "rack";
        fs::create_directories(station_);
        fs::create_directories(rack_);
        fs::create_directories(work_.path() / "runtime");
        const fs::path bin = QX_BIN_DIR;
        InstallStationProgram(bin, station_);
        std::ofstream(rack_ / "rack.ini") << kRack;
        std::ofstream(station_ / "QXMPTOOL.ini")
            << "[Setting]\nTimeOut=5\nEnOutputDbgMsg=1\n" << extraSettings
            << "[FlashSetting]\nFlashUniName=WBG\nChannel=4\nBank=2\n"
               "[DeviceSetting]\nSerialNum=QXU00001\nSNAutoInc=1\n"
               "[TestItems]\n" << testItems;
    }

    void Start(const QStringList& arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QX_SIM_RACK", QString::fromStdString(rack_.string()));
        env.insert("QX_SIM_REQUEST_LOG", QString::fromStdString((work_.path() / "requests.txt").string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString((work_.path() / "runtime").string()));
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        program_.setProcessEnvironment(env);
        program_.setWorkingDirectory(QString::fromStdString(station_.string()));
        program_.start(QString::fromStdString((station_ / "fablane").string()), arguments);
        ASSERT_TRUE(program_.waitForStarted(kEndWithinMs));
    }

    // The exit code; -1 when the program did not end in time (it is killed).
    int WaitForEnd(int ms = kEndWithinMs) {
        if (program_.waitForFinished(ms) && program_.exitStatus() == QProcess::NormalExit) return program_.exitCode();
        program_.kill();
        program_.waitForFinished();
        return -1;
    }

    std::string Requests() const { return FileText(work_.path() / "requests.txt"); }
    std::string Trace() const { return FileText(station_ / "DbgMsg.txt"); }

    void TearDown() override {
        if (program_.state() != QProcess::NotRunning) {
            program_.kill();
            program_.waitForFinished();
        }
    }

    TempDir work_;
    fs::path station_, rack_;
    QProcess program_;
};

TEST_F(UnattendedRunTest, ASettingThatNeedsAnOperatorEndsBeforeAnyRound) {
    struct Case {
        const char* line;      // under [Setting]
        const char* setting;   // what the console names
    };
    const Case cases[] = {
        {"EnBarCode=1\n", "[Setting] EnBarCode"},
        {"EnBarCode=1\nBarCodeInputMode=1\n", "[Setting] EnBarCode"},
        {"EnableWorkOrder=1\n", "[Setting] EnableWorkOrder"},
        {"ShowTitle=1\n", "[Setting] ShowTitle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Install("station", c.line);
        const std::string before = FileText(station_ / "QXMPTOOL.ini");
        Start({"AutoExecuteQuit"});
        EXPECT_EQ(WaitForEnd(), station::kExitNeedsOperator);
        const std::string console = program_.readAllStandardError().toStdString();
        EXPECT_NE(console.find(c.setting), std::string::npos) << console;
        EXPECT_NE(console.find("needs an operator"), std::string::npos) << console;
        EXPECT_EQ(Requests(), "") << "a drive was spoken to";
        EXPECT_FALSE(HasProductionLog(station_));
        EXPECT_EQ(FileText(station_ / "QXMPTOOL.ini"), before) << "nothing of a round is saved";
        fs::remove_all(station_);
        fs::remove(work_.path() / "requests.txt");
    }
}

TEST_F(UnattendedRunTest, APlainRoundStillEndsWithZero) {
    Install("station", "");
    Start({"AutoExecuteQuit"});
    EXPECT_EQ(WaitForEnd(), station::kExitDone) << program_.readAllStandardError().toStdString();
    EXPECT_TRUE(HasProductionLog(station_));
    EXPECT_NE(Requests(), "");
}

// A round that ran nothing is no success a script may count on; the program
// still ends by itself instead of waiting for someone to mend the settings.
TEST_F(UnattendedRunTest, ARoundThatRanNothingEndsWithTheOperatorCode) {
    Install("station", "", "EnFlashModule=0\n");
    Start({"AutoExecuteQuit"});
    EXPECT_EQ(WaitForEnd(), station::kExitNeedsOperator) << program_.readAllStandardError().toStdString();
    EXPECT_FALSE(HasProductionLog(station_));
}

// The station copied into a folder named after a word, started with no
// argument: it waits for an operator and never starts a round by itself. No
// step is enabled, so a round that started would end at once and, its quit
// word taken from the path, end the program.
TEST_F(UnattendedRunTest, AWordInsideTheProgramsPathStartsNoRound) {
    Install("AutoExecuteQuit_old", "", "EnFlashModule=0\n");
    Start({});
    // Ready once its first device refresh has enabled START (the traces say
    // so); a round would begin within the automatic start's ticks after it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kEndWithinMs);
    while (Trace().find("EnumUSBDevice 4") == std::string::npos && program_.state() == QProcess::Running &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_NE(Trace().find("EnumUSBDevice 4"), std::string::npos) << "the station never became ready";
    EXPECT_FALSE(program_.waitForFinished(4'000)) << "a round started and ended it, code " << program_.exitCode();
}

}  // namespace
}  // namespace qx::test
