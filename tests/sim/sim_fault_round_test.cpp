// The fault keys of a rack folder, met by the station program's whole
// production round (fablane, offscreen, on the rack): a chip enable that
// cannot erase ends its drive in the flash interface test with the erase
// finding (the B04 detail), and a defect-table page that one channel cannot
// read on any code block ends its drive's download with the defect-table
// kind line of the download's failure record.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sim_test_support.h"
#include "support/station_folder.h"

namespace qx::sim::test {
namespace {

namespace fs = std::filesystem;
using qx::test::FileText;
using qx::test::InstallStationProgram;

constexpr const char* kRack =
    "[rack]\nversion=1\n"
    "[drive01]\npath=\\\\?\\usbstor#disk&ven_qx&prod_sata#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\n"
    "frontEnd=bridge\nstate=loader\nvendorMode=1\nbusyPolls=0\ncapacitySectors=2097152\nserial=QXF00001\n"
    "failingCes=0x0201\n"
    "[drive02]\npath=\\\\?\\usbstor#disk&ven_qx&prod_sata#0002#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}\n"
    "frontEnd=bridge\nstate=loader\nvendorMode=1\nbusyPolls=0\ncapacitySectors=2097152\nserial=QXF00002\n"
    "uncorrectableChannelPages=1.0.1 1.1.1 1.2.1 1.3.1\n"
    "[usb]\nroot=2\nport=0.1 drive01\nport=0.2 drive02\n";

// The error file of a port ("Error_<time>_<port>_<serial>.txt"), empty when none.
std::string ErrorFileOf(const fs::path& log, const std::string& port) {
    if (!fs::exists(log)) return {};
    for (const auto& e : fs::directory_iterator(log)) {
        const std::string name = e.path().filename().string();
        if (name.starts_with("Error_") && name.find("_" + port + "_") != std::string::npos) return FileText(e.path());
    }
    return {};
}

TEST(FaultRound, AFailingChipEnableAndAnUnreadableDefectPageReachTheirReports) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the round runs in a process of its own: nothing here for the race checker";
#endif
    const fs::path bin = QX_BIN_DIR;
    ASSERT_TRUE(fs::exists(bin / "fablane")) << "the station program is built with the tests";
    Folder w;
    const fs::path station = fs::path(w.str()) / "station", rack = fs::path(w.str()) / "rack";
    fs::create_directories(station);
    fs::create_directories(rack);
    fs::create_directories(fs::path(w.str()) / "runtime");
    InstallStationProgram(bin, station);
    std::ofstream(rack / "rack.ini") << kRack;
    const std::string cd = "cd '" + station.string() + "' && ";
    const std::string ini = cd + "bash -c \". '" QX_SOURCE_DIR "/scripts/station_ini.sh' && whole_round_ini QXF00001 2\" > QXMPTOOL.ini";
    ASSERT_EQ(std::system(ini.c_str()), 0);
    const std::string run = cd + "XDG_RUNTIME_DIR='" + w.str() + "/runtime' QX_SIM_RACK='" + rack.string() +
                            "' QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 timeout 600 ./fablane "
                            "AutoExecuteQuit >/dev/null 2>&1";
    std::system(run.c_str());   // both drives fail: the status says so, the reports say why

    const std::string erase = ErrorFileOf(station / "log", "01");
    EXPECT_NE(erase.find("Flash Erase fail. Ch#02, Bank#01\r\n"), std::string::npos) << erase;
    EXPECT_NE(erase.find("CH#2, BK#1\r\n"), std::string::npos) << erase;
    const std::string download = ErrorFileOf(station / "log", "02");
    EXPECT_TRUE(download.starts_with("ch 1 defect table compare fail\r\n")) << download.substr(0, 200);
}

}  // namespace
}  // namespace qx::sim::test
