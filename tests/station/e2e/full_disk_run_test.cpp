// The station program (fablane AutoExecuteQuit, offscreen, on a simulated
// rack) on a disk that fills up: the settings file, the production log and
// the yield counters are each either written whole or left exactly as they
// were, the failure is said on standard error, and the exit code tells a
// script that something was not written. A full disk is made without root:
// the program runs under a file size limit (ulimit -f) with SIGXFSZ ignored,
// so a write past it fails as on a full file system.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "station/entry/exit_codes.h"
#include "support/station_folder.h"
#include "support/temp_dir.h"

namespace qx::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRack =
    "[rack]\nversion=1\n"
    "[drive01]\npath=\\\\?\\usbstor#disk&ven_qx&prod_sata#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\n"
    "frontEnd=bridge\nstate=loader\nvendorMode=1\nbusyPolls=0\ncapacitySectors=2097152\nserial=QXF00001\n"
    "[usb]\nroot=2\nport=0.1 drive01\n";

// One short step, so a round takes seconds.
constexpr const char* kSettings =
    "[Setting]\r\nTimeOut=5\r\n[FlashSetting]\r\nFlashUniName=WBG\r\nChannel=4\r\nBank=2\r\n"
    "[DeviceSetting]\r\nSerialNum=QXF00001\r\nSNAutoInc=1\r\n[TestItems]\r\nEnFlashModule=1\r\n";

struct Outcome {
    int exitCode = -1;
    std::string errors;   // standard error
};

// A station folder with the program and its files, a one-drive rack and a
// runtime folder of its own.
class FullDiskStation : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(__SANITIZE_THREAD__)
        GTEST_SKIP() << "the rounds run in processes of their own: nothing here for the race checker";
#endif
        const fs::path bin = QX_BIN_DIR;
        ASSERT_TRUE(fs::exists(bin / "fablane")) << "the station program is built with the tests";
        fs::create_directories(station_);
        fs::create_directories(rack_);
        fs::create_directories(dir_.path() / "runtime");
        InstallStationProgram(bin, station_);
        std::ofstream(rack_ / "rack.ini") << kRack;
    }

    void WriteSettings(const std::string& text) { std::ofstream(station_ / "QXMPTOOL.ini", std::ios::binary) << text; }

    // One unattended round; limitKiB caps the size of every file it writes.
    Outcome Round(std::optional<int> limitKiB = std::nullopt) {
        const fs::path errors = dir_.path() / "stderr.txt";
        // The limit is the program's alone: its standard error goes through a
        // pipe to a writer outside it, so even a limit of 0 leaves its lines.
        std::string limit;
        if (limitKiB) limit = "ulimit -f " + std::to_string(*limitKiB) + "; ";
        const std::string command = "cd '" + station_.string() + "' && XDG_RUNTIME_DIR='" + dir_.path().string() +
                                    "/runtime' QX_SIM_RACK='" + rack_.string() +
                                    "' QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 timeout 120 bash -c \"" +
                                    "trap '' XFSZ; (" + limit + "exec ./fablane AutoExecuteQuit) 2>&1 >/dev/null | cat >'" +
                                    errors.string() + "'; exit \\${PIPESTATUS[0]}\"";
        const int status = std::system(command.c_str());
        Outcome out;
        out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        out.errors = FileText(errors);
        return out;
    }

    // The production log the rounds write (today's _000).
    fs::path ProductionLog() const {
        for (const auto& e : fs::directory_iterator(station_ / "log"))
            if (e.path().filename().string().ends_with("_000.txt")) return e.path();
        return {};
    }

    TempDir dir_;
    fs::path station_ = dir_.path() / "station";
    fs::path rack_ = dir_.path() / "rack";
};

TEST_F(FullDiskStation, ASettingsFileThatCannotBeSavedIsKeptWholeAndExitsWithFour) {
    WriteSettings(kSettings);
    ASSERT_EQ(Round().exitCode, station::kExitDone);
    const std::string settings = FileText(station_ / "QXMPTOOL.ini");
    ASSERT_GT(settings.size(), 1024u) << "the saved settings file outgrows the limit below";
    ASSERT_LT(fs::file_size(ProductionLog()), 1024u) << "while the log stays under it";
    const std::string logBefore = FileText(ProductionLog());

    const Outcome full = Round(1);
    EXPECT_EQ(full.exitCode, station::kExitSettingsNotSaved) << full.errors;
    EXPECT_NE(full.errors.find("Cannot write the settings file " + (station_ / "QXMPTOOL.ini").string()),
              std::string::npos)
        << full.errors;
    EXPECT_EQ(FileText(station_ / "QXMPTOOL.ini"), settings) << "the old settings file, whole";
    EXPECT_TRUE(FileText(ProductionLog()).starts_with(logBefore));
    EXPECT_GT(FileText(ProductionLog()).size(), logBefore.size()) << "the round's row fitted";
    for (const auto& e : fs::directory_iterator(station_))
        EXPECT_EQ(e.path().filename().string().find(".new"), std::string::npos) << e.path();
}

TEST_F(FullDiskStation, ARowThatDoesNotFitLeavesNoTornRowAndExitsWithThree) {
    WriteSettings(kSettings);
    ASSERT_EQ(Round().exitCode, station::kExitDone);
    const fs::path log = ProductionLog();
    ASSERT_FALSE(log.empty());
    // Earlier rows up to 10 bytes short of 24 KiB: the next row is cut by the
    // limit, the settings file (a few KiB) and the counters still fit.
    {
        std::string rows = FileText(log);
        const std::string filler = "000000\t000000\tearlier round\r\n";
        while (rows.size() + filler.size() <= 24 * 1024 - 10) rows += filler;
        rows += std::string(24 * 1024 - 10 - rows.size() - 2, '-') + "\r\n";
        std::ofstream(log, std::ios::binary | std::ios::trunc) << rows;
    }
    const std::string logBefore = FileText(log);
    const std::string yieldBefore = FileText(station_ / "log" / "QXSSD.log");
    ASSERT_NE(yieldBefore.find("TotalTestCount=1\r\n"), std::string::npos) << yieldBefore;

    const Outcome full = Round(24);
    EXPECT_EQ(full.exitCode, station::kExitResultsNotWritten) << full.errors;
    EXPECT_NE(full.errors.find("Fail to write log file!"), std::string::npos) << full.errors;
    EXPECT_EQ(FileText(log), logBefore) << "no torn row, no earlier row lost";
    const std::string yield = FileText(station_ / "log" / "QXSSD.log");
    EXPECT_NE(yield.find("TotalTestCount=2\r\n"), std::string::npos) << "the counters still go on: " << yield;
}

TEST_F(FullDiskStation, NothingFitsAndEveryFileKeepsWhatItHad) {
    WriteSettings(kSettings);
    ASSERT_EQ(Round().exitCode, station::kExitDone);
    const std::string settings = FileText(station_ / "QXMPTOOL.ini");
    const std::string logBefore = FileText(ProductionLog());
    const std::string yieldBefore = FileText(station_ / "log" / "QXSSD.log");

    const Outcome full = Round(0);
    EXPECT_TRUE(full.exitCode == station::kExitResultsNotWritten || full.exitCode == station::kExitSettingsNotSaved)
        << full.exitCode << "\n" << full.errors;
    for (const char* text : {"Fail to write log file!", "Cannot write the settings file ",
                             "Cannot write the yield counter file "})
        EXPECT_NE(full.errors.find(text), std::string::npos) << text << "\n" << full.errors;
    EXPECT_EQ(FileText(station_ / "QXMPTOOL.ini"), settings);
    EXPECT_EQ(FileText(ProductionLog()), logBefore);
    EXPECT_EQ(FileText(station_ / "log" / "QXSSD.log"), yieldBefore) << "the counters never go back";
}

TEST_F(FullDiskStation, ALogFolderNoFileCanBeMadeInExitsWithThree) {
    // /proc/ exists and takes no new file, even from root.
    WriteSettings(std::string("[Setting]\r\nLogPath=/proc/\r\n") + (kSettings + 11));
    const Outcome out = Round();
    EXPECT_EQ(out.exitCode, station::kExitResultsNotWritten) << out.errors;
    EXPECT_NE(out.errors.find("Fail to open/create log file!"), std::string::npos) << out.errors;
}

TEST_F(FullDiskStation, AFifoInPlaceOfTheSettingsFileEndsWithoutWaiting) {
    ASSERT_EQ(::mkfifo((station_ / "QXMPTOOL.ini").c_str(), 0644), 0);
    const Outcome out = Round();
    EXPECT_NE(out.exitCode, 124) << "timed out: something opened the FIFO";
    // Nothing can be read from it either, so the defaults refuse the round;
    // the save at exit is what must not wait.
    EXPECT_NE(out.exitCode, station::kExitDone) << out.errors;
    EXPECT_NE(out.errors.find("Cannot write the settings file " + (station_ / "QXMPTOOL.ini").string()),
              std::string::npos)
        << out.errors;
    EXPECT_TRUE(fs::is_fifo(station_ / "QXMPTOOL.ini"));
}

}  // namespace
}  // namespace qx::test
