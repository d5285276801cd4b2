#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/control/rack_control.h"
#include "sim/rack/sim_machine.h"
#include "support/temp_dir.h"

namespace qx::sim {
namespace {

const std::string kPath = "\\\\?\\usbstor#disk&ven_qx&prod_ssd#0001#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

class RackControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        SimRack rack;
        rack.AddDrive(kPath, DriveConfig{});
        ASSERT_TRUE(rack.SaveState(Folder()));
        std::ofstream(dir_.path() / "rack.ini", std::ios::app) << "[usb]\nroot=4\nport=0.2 drive01\n";
    }
    std::string Folder() const { return dir_.path().string(); }
    std::string RackIni() const {
        std::ifstream in(dir_.path() / "rack.ini");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    test::TempDir dir_;
};

// With no program running, qxrack marks the port line in the folder, and
// the next program loads the drive off its port, its state kept.
TEST_F(RackControlTest, WithoutAProgramTheFolderRecordsTheChange) {
    EXPECT_EQ(SendRackCommand(Folder(), "unplug " + kPath), SendResult::NoListener);
    std::string error;
    ASSERT_TRUE(SetPluggedInFolder(Folder(), kPath, false, &error)) << error;
    EXPECT_NE(RackIni().find("port=0.2 drive01 unplugged"), std::string::npos);
    EXPECT_FALSE(SetPluggedInFolder(Folder(), kPath, false, &error));
    EXPECT_EQ(error, "not plugged: " + kPath);

    auto machine = SimMachine::LoadFolder(Folder(), &error);
    ASSERT_TRUE(machine) << error;
    EXPECT_FALSE(machine->Plugged(kPath));
    EXPECT_TRUE(machine->Devices().DiskInterfaces()->empty());
    EXPECT_FALSE(machine->Rack().Open(kPath, platform::ShareMode::Shared).handle);
    ASSERT_TRUE(machine->Plug(kPath, &error)) << error;
    EXPECT_EQ(machine->Devices().DiskInterfaces()->size(), 1u);
    EXPECT_TRUE(machine->Rack().Open(kPath, platform::ShareMode::Shared).handle);

    ASSERT_TRUE(SetPluggedInFolder(Folder(), kPath, true, &error)) << error;
    EXPECT_NE(RackIni().find("port=0.2 drive01\n"), std::string::npos);
    EXPECT_FALSE(SetPluggedInFolder(Folder(), "\\\\?\\nothing", true, &error));
    EXPECT_EQ(error, "no drive at \\\\?\\nothing");
}

// A running program: the line reaches its control channel, which applies
// it to the machine and reports the removal.
TEST_F(RackControlTest, ARunningProgramAppliesTheChange) {
    std::string error;
    auto machine = SimMachine::LoadFolder(Folder(), &error);
    ASSERT_TRUE(machine) << error;
    auto control = RackControl::Open(Folder(), *machine, &error);
    ASSERT_TRUE(control) << error;
    EXPECT_EQ(SendRackCommand(Folder(), "unplug " + kPath), SendResult::Delivered);
    const auto events = control->ReadEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, platform::DeviceEventKind::Removal);
    EXPECT_EQ(events[0].device, kPath);
    EXPECT_FALSE(machine->Plugged(kPath));
    EXPECT_NE(RackIni().find("port=0.2 drive01\n"), std::string::npos);   // the folder is the program's now
    control.reset();
    EXPECT_EQ(SendRackCommand(Folder(), "plug " + kPath), SendResult::NoListener);
}

// A safe removal that goes through unplugs the drive in the machine.
TEST_F(RackControlTest, SafeRemovalUnplugsTheDrive) {
    std::string error;
    auto machine = SimMachine::LoadFolder(Folder(), &error);
    ASSERT_TRUE(machine) << error;
    const auto drives = machine->Devices().DiskDrives();
    ASSERT_EQ(drives->size(), 1u);
    machine->Devices().VetoRemoval(drives->front().parentDevInst, "held", 1);
    EXPECT_EQ(machine->Devices().RemoveDevice(drives->front().parentDevInst), "held");
    EXPECT_TRUE(machine->Plugged(kPath));
    EXPECT_EQ(machine->Devices().RemoveDevice(drives->front().parentDevInst), "");
    EXPECT_FALSE(machine->Plugged(kPath));
    EXPECT_EQ(machine->Devices().RemoveDevice(drives->front().parentDevInst), "");   // gone already
}

// The qxrack tool itself: to the running program while one listens, else
// into the folder, with a clear error for a change already made.
TEST_F(RackControlTest, QxrackReachesTheProgramOrTheFolder) {
    const std::string qxrack = std::string(QX_BIN_DIR) + "/qxrack";
    if (::access(qxrack.c_str(), X_OK) != 0) GTEST_SKIP() << "qxrack not built";
    const auto run = [&](const std::string& verb) {
        return std::system((qxrack + " " + verb + " " + Folder() + " '" + kPath + "' >/dev/null 2>&1").c_str());
    };
    std::string error;
    auto machine = SimMachine::LoadFolder(Folder(), &error);
    ASSERT_TRUE(machine) << error;
    {
        auto control = RackControl::Open(Folder(), *machine, &error);
        ASSERT_TRUE(control) << error;
        EXPECT_EQ(run("unplug"), 0);
        const auto events = control->ReadEvents();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, platform::DeviceEventKind::Removal);
    }
    EXPECT_NE(run("plug"), 0);   // the folder still has it plugged
    EXPECT_EQ(run("unplug"), 0);
    EXPECT_NE(RackIni().find("port=0.2 drive01 unplugged"), std::string::npos);
}

// A key given by hand is a known drive key, or the drive is not added: a
// misspelt "front_end=usb" must not quietly give a bridge drive.
TEST_F(RackControlTest, QxrackAddRefusesAnUnknownKey) {
    const std::string qxrack = std::string(QX_BIN_DIR) + "/qxrack";
    if (::access(qxrack.c_str(), X_OK) != 0) GTEST_SKIP() << "qxrack not built";
    const std::string path = "\\\\?\\usbstor#disk&ven_qx&prod_ssd#0009#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    const auto add = [&](const std::string& key) {
        return std::system((qxrack + " add " + Folder() + " '" + path + "' " + key + " >/dev/null 2>&1").c_str());
    };
    EXPECT_NE(add("front_end=usb"), 0);
    EXPECT_EQ(RackIni().find("prod_ssd#0009"), std::string::npos);
    EXPECT_EQ(add("frontEnd=usb"), 0);
    EXPECT_NE(RackIni().find("prod_ssd#0009"), std::string::npos);
}

}  // namespace
}  // namespace qx::sim
