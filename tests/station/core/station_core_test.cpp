// The station without a window: a StationCore over a simulated rack on the
// virtual clock finds the drives with its own rescan, runs a production round
// with its own engine, identity steps and result writer, and leaves every
// result where the window would read it, in the core's port tables.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "qxlib/programs/program_paths.h"
#include "station/core/station_core.h"
#include "station/devices/port_rescan.h"
#include "station/engine_fixture.h"
#include "station/run/run_start.h"
#include "station_devices/rescan_fixture.h"
#include "support/sim_flash_config.h"

namespace qx::test {
namespace {

class StationCoreTest : public RescanFixture {
protected:
    void SetUp() override {
        RescanFixture::SetUp();
        savedGdp_ = GdpImagePath();
        savedTest_ = TestImagePath();
        for (const char* name : {"GDP.bin", "satatest.bin"})
            std::filesystem::copy_file(std::string(QX_BIN_DIR) + "/" + name, program_.path() / name);
        SetGdpImagePath(program_.file("GDP.bin"));
        SetTestImagePath(program_.file("satatest.bin"));
        std::filesystem::create_directories(program_.path() / "log");
    }

    void TearDown() override {
        core_.reset();
        SetGdpImagePath(savedGdp_);
        SetTestImagePath(savedTest_);
        RescanFixture::TearDown();
    }

    // A drive in its loader, as it comes from the line, on the bridge or on
    // the controller's own USB interface.
    static sim::DriveConfig LoaderDrive(bool usb, const std::string& serial) {
        sim::DriveConfig c = Drive(usb ? "q814" : "q461", serial);
        c.state = sim::ControllerState::Loader;
        c.vendorMode = true;
        c.busyPolls = 0;
        return c;
    }

    // What the settings file and the window's check boxes would give: the
    // simulated drives' flash (4 channels of 2 CEs, 2048 blocks a CE) and the
    // flash module and bus interface steps.
    void Configure(station::StationCore& core) {
        GlobalParameter& s = core.Settings();
        s.Channel = 4;
        s.Bank = kBuildBanks;
        s.TimeOut = 300'000;
        s.CheckFlashMask = 0x1F;
        std::snprintf(s.SerialNum, sizeof s.SerialNum, "QX0001");
        for (int item : {1, 3}) s.TestItemEnable[static_cast<std::size_t>(item)] = 1;
        FlashConfig& c = core.Config();
        DescribeSimulatedNand(c);
        DescribeSimulatedChips(c);
        core.State().specialMode = true;   // the simulated straps are not the chip check's business here
        core.Results().SetLogDir(program_.path().string() + "/log/");
        core.Results().SelectProductionLogFile();
        station_.controls.checkedCount = 2;
    }

    TempDir program_;
    std::string savedGdp_, savedTest_;
    RecordingStationView station_;
    RecordingPortView ports_;
    FakeWindow coreWindow_;
    std::unique_ptr<station::StationCore> core_;
};

TEST_F(StationCoreTest, ARoundOnTheRackRunsThroughTheCoreAlone) {
    sim::DriveConfig broken = LoaderDrive(true, "QXB");
    broken.busStuckBits = 0x0040;   // the bus interface test fails
    LoadRack({LoaderDrive(false, "QXA"), broken}, "root=3\nport=0.1 drive01\nport=0.2 drive02\n");
    core_ = std::make_unique<station::StationCore>(program_.path().string() + "/", prompter_);
    station::StationCore& core = *core_;
    Configure(core);

    core.MakeRescan(station_, coreWindow_).RefreshDevices();
    ASSERT_EQ(core.Tables().Count(), 3);
    EXPECT_EQ(core.Tables().Active(0).Connected, 1);
    EXPECT_EQ(core.Tables().Active(1).Connected, 1);
    EXPECT_EQ(core.Tables().Active(2).Connected, 0);

    core.StartEngine(station_, ports_).ExecuteBtnClick();

    const PortRecord& good = core.Tables().Active(0);
    const PortRecord& bad = core.Tables().Active(1);
    EXPECT_EQ(good.OverallResult, kResultPass);
    EXPECT_EQ(good.StepStatus[3], kStepPassed);
    EXPECT_EQ(bad.OverallResult, kResultFail);
    EXPECT_EQ(bad.ErrorCode, 3);
    EXPECT_EQ(PortText(good.SerialNumber), "QX0001");
    EXPECT_EQ(core.Tables().Active(2).OverallResult, kResultNone);
    // The round's row went into the core's production log.
    EXPECT_GT(std::filesystem::file_size(core.Results().LogFile().LogFileName), 0u);
    EXPECT_EQ(prompter_.Texts(), std::vector<std::string>{});
}

}  // namespace
}  // namespace qx::test
