// The qxrack tool as an operator runs it: drives it adds are on the USB tree
// a program sees, drives it removes leave nothing behind, and a plug or
// unplug names a drive on a port or is refused, program running or not.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/control/rack_control.h"
#include "sim/rack/sim_machine.h"
#include "support/temp_dir.h"

namespace qx::sim {
namespace {

std::string UsbPath(const char* number) {
    return std::string("\\\\?\\usbstor#disk&ven_qx&prod_ssd#") + number + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}
const std::string kIdePath = "\\\\?\\ide#diskqx_ssd#0003#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

class QxrackToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access(kTool.c_str(), X_OK) != 0) GTEST_SKIP() << "qxrack not built";
        ASSERT_EQ(Run("create"), 0) << output_;
    }
    // The tool's exit status; what it printed is in output_.
    int Run(const std::string& verb, const std::string& path = "", const std::string& rest = "") {
        const std::string out = dir_.file("out.txt");
        std::string command = kTool + " " + verb + " " + Folder();
        if (!path.empty()) command += " '" + path + "'";
        command += " " + rest + " >" + out + " 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream in(out);
        std::stringstream text;
        text << in.rdbuf();
        output_ = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Folder() const { return dir_.file("rack"); }
    std::string RackIni() const {
        std::ifstream in(dir_.path() / "rack" / "rack.ini");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::unique_ptr<SimMachine> Load() {
        std::string error;
        auto machine = SimMachine::LoadFolder(Folder(), &error);
        EXPECT_TRUE(machine) << error;
        return machine;
    }

    const std::string kTool = std::string(QX_BIN_DIR) + "/qxrack";
    test::TempDir dir_;
    std::string output_;
};

// A USB disk added by hand is plugged on the next free port, so a program
// finds it; one kept off the tree, or not a USB disk, is on none; a port
// refused adds nothing.
TEST_F(QxrackToolTest, AddPutsAUsbDiskOnTheNextFreePort) {
    ASSERT_EQ(Run("add", UsbPath("0001")), 0) << output_;
    EXPECT_EQ(output_, "drive01 on USB port 0.1\n");
    ASSERT_EQ(Run("add", UsbPath("0002"), "frontEnd=usb"), 0) << output_;
    EXPECT_EQ(output_, "drive02 on USB port 0.2\n");
    ASSERT_EQ(Run("add", kIdePath), 0) << output_;
    EXPECT_EQ(output_, "drive03 on no USB port\n");
    ASSERT_EQ(Run("add", UsbPath("0004"), "--port none"), 0) << output_;
    ASSERT_EQ(Run("add", UsbPath("0005"), "--port 0.7"), 0) << output_;
    EXPECT_EQ(output_, "drive05 on USB port 0.7\n");
    // Added again at its path, a drive keeps its port.
    ASSERT_EQ(Run("add", UsbPath("0001"), "serial=AGAIN"), 0) << output_;
    EXPECT_EQ(output_, "drive01 on USB port 0.1\n");

    EXPECT_EQ(Run("add", UsbPath("0006"), "--port 0.2"), 1);
    EXPECT_EQ(output_, "qxrack: USB port 0.2 is taken\n");
    EXPECT_EQ(Run("add", kIdePath, "--port 0.3"), 1);
    EXPECT_EQ(Run("add", UsbPath("0001"), "--port 0.3"), 1);
    EXPECT_EQ(output_, "qxrack: [drive01] sits on USB port 0.1\n");
    EXPECT_EQ(Run("add", UsbPath("0006"), "--port"), 2);
    EXPECT_EQ(RackIni().find("#0006#"), std::string::npos);
    EXPECT_NE(RackIni().find("[usb]\nroot=8\nport=0.1 drive01\nport=0.2 drive02\nport=0.7 drive05\n"), std::string::npos)
        << RackIni();

    auto machine = Load();
    ASSERT_TRUE(machine);
    EXPECT_TRUE(machine->Plugged(UsbPath("0001")));
    EXPECT_TRUE(machine->Plugged(UsbPath("0002")));
    EXPECT_TRUE(machine->Plugged(UsbPath("0005")));
    EXPECT_FALSE(machine->Plugged(UsbPath("0004")));
    EXPECT_EQ(machine->Devices().DiskInterfaces()->size(), 3u);
}

// A removed drive's port is free and its state file gone: the rack still
// loads, and the next drive given its name starts fresh, not with a state
// file left under that name.
TEST_F(QxrackToolTest, RemoveLeavesNothingOfTheDrive) {
    ASSERT_EQ(Run("add", UsbPath("0001")), 0) << output_;
    ASSERT_EQ(Run("add", UsbPath("0002")), 0) << output_;
    ASSERT_EQ(Run("remove", UsbPath("0002")), 0) << output_;
    EXPECT_EQ(RackIni().find("drive02"), std::string::npos) << RackIni();
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "rack" / "drive02.state"));
    ASSERT_TRUE(Load());

    std::ofstream(dir_.path() / "rack" / "drive02.state") << "another rack's drive";
    ASSERT_EQ(Run("add", UsbPath("0003")), 0) << output_;
    EXPECT_EQ(output_, "drive02 on USB port 0.2\n");
    auto machine = Load();
    ASSERT_TRUE(machine);
    EXPECT_TRUE(machine->Plugged(UsbPath("0003")));
}

// The path is checked before anything is sent: a running program would only
// trace a line it cannot apply, and the operator would read "sent".
TEST_F(QxrackToolTest, PlugAndUnplugNameADriveOnAPort) {
    ASSERT_EQ(Run("add", UsbPath("0001")), 0) << output_;
    ASSERT_EQ(Run("add", UsbPath("0002"), "--port none"), 0) << output_;
    auto machine = Load();
    ASSERT_TRUE(machine);
    for (const bool listening : {false, true}) {
        SCOPED_TRACE(listening ? "a program runs" : "no program");
        std::unique_ptr<RackControl> control;
        if (listening) {
            std::string error;
            control = RackControl::Open(Folder(), *machine, &error);
            ASSERT_TRUE(control) << error;
        }
        EXPECT_EQ(Run("unplug", "nonsense"), 1);
        EXPECT_EQ(output_, "qxrack: no drive at nonsense\n");
        EXPECT_EQ(Run("plug", "nonsense"), 1);
        EXPECT_EQ(Run("unplug", UsbPath("0002")), 1);
        EXPECT_EQ(output_, "qxrack: [drive02] sits on no USB port\n");
        EXPECT_EQ(Run("unplug", UsbPath("0001")), 0) << output_;
        if (control) {
            EXPECT_EQ(output_, "sent to the running program: unplug " + UsbPath("0001") + "\n");
            EXPECT_EQ(control->ReadEvents().size(), 1u);
        } else {
            EXPECT_NE(RackIni().find("port=0.1 drive01 unplugged"), std::string::npos);
            EXPECT_EQ(Run("plug", UsbPath("0001")), 0) << output_;
        }
    }
}

}  // namespace
}  // namespace qx::sim
