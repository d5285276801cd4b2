// Whole runs through the library on the simulated rack: a drive behind a
// bridge (port 0) and one on the controller's own USB (port 1), in virtual
// time, with the window's side recorded.
#include "diagnostics/diag_fixture.h"
#include "qxlib/base/settings_fixed_text.h"
#include "station/rack_engine.h"

namespace qx::test {
namespace {

class SimRunTest : public DiagFixture {
protected:
    void SetUp() override {
        DiagFixture::SetUp();
        ASSERT_TRUE(run_.Open(2));
        MatchRackPorts();
        run_.state.programFolder = dir_->path().string() + "/";
        run_.state.specialMode = true;   // the simulated straps are not the chip check's business here
        run_.view.controls.checkedCount = 4;
    }

    void TearDown() override {
        run_.Close();
        DiagFixture::TearDown();
    }

    // Port p holds the drive of slot p; the disk path is the rack's.
    void MatchRackPorts() {
        ClearPortTable(ActivePortTable);
        PortCount = 2;
        for (int p : kBothSlots) RackEngine::Connect(p, PathOf(p), p == kUsbSlot);
    }

    void Run(std::initializer_list<int> items) {
        settings_.TestItemEnable = {};
        for (int i : items) settings_.TestItemEnable[static_cast<std::size_t>(i)] = 1;
        run_.Make().ExecuteBtnClick();
    }

    int RequestsTo(const std::string& path) const {
        int n = 0;
        for (const sim::LoggedRequest& r : rack_.Log().Snapshot()) n += r.path == path;
        return n;
    }

    static int Status(int port, int item) {
        return ActivePortTable[static_cast<std::size_t>(port)].StepStatus[static_cast<std::size_t>(item)];
    }

    RackEngine run_{settings_, config_};
};

TEST_F(SimRunTest, HealthyDrivesOnBothPathsPassTheDiagnosticSteps) {
    Run({1, 3, 4, 5});
    for (int p : kBothSlots) {
        SCOPED_TRACE(p);
        for (int item : {1, 3, 4, 5}) EXPECT_EQ(Status(p, item), kStepPassed) << item;
        EXPECT_EQ(ActivePortTable[static_cast<std::size_t>(p)].OverallResult, kResultPass);
    }
    EXPECT_TRUE(run_.prompter.Texts().empty());
    EXPECT_EQ(run_.results.calls.front(), "Log");
}

TEST_F(SimRunTest, AFaultyDriveFailsAloneAndItsSkippedStepsSendNothing) {
    Drive(kUsbSlot, [](sim::DriveModel& m) { m.cfg.busStuckBits = 0x0040; });
    Run({1, 3});
    const int untilBusTest = RequestsTo(usbPath_);
    rack_.Log().Clear();
    MatchRackPorts();
    Run({1, 3, 4, 5});
    EXPECT_EQ(RequestsTo(usbPath_), untilBusTest) << "the steps after the failure reached the drive";
    const PortRecord& usb = ActivePortTable[kUsbSlot];
    EXPECT_EQ(usb.ErrorCode, 3);
    EXPECT_EQ(Status(kUsbSlot, 4), kStepFailed);
    EXPECT_EQ(Status(kUsbSlot, 5), kStepFailed);
    EXPECT_EQ(ActivePortTable[kSataSlot].OverallResult, kResultPass);
    EXPECT_EQ(Status(kSataSlot, 5), kStepPassed);
}

TEST_F(SimRunTest, ADramFaultIsRefinedOnTheDrivesPort) {
    Drive(kSataSlot, [](sim::DriveModel& m) { m.cfg.dramStatus = 26; });
    Run({5});
    EXPECT_EQ(ActivePortTable[kSataSlot].ErrorCode, 67);
    EXPECT_EQ(ActivePortTable[kUsbSlot].OverallResult, kResultPass);
}

// Write PPID with [Setting] EnPPID: behind the bridge the PPID goes into
// the drive's log page 0x9A, padded with blanks; on the controller's own USB
// interface the log write and the standby have no ATA route and answer 1, so
// the step passes there too.
TEST_F(SimRunTest, WritePpidPassesOnBothPaths) {
    constexpr char kPpid[] = "CN0PPID0123456789ABCDEF";
    settings_.EnPPID = 1;
    settings_.CheckPPIDLengthValue = 23;
    for (int p : kBothSlots) CopyFixedText(run_.barcodes.PortBarcodePPID[static_cast<std::size_t>(p)], kPpid);
    Run({12});
    for (int p : kBothSlots) {
        SCOPED_TRACE(p);
        EXPECT_EQ(Status(p, 12), kStepPassed);
        EXPECT_EQ(ActivePortTable[static_cast<std::size_t>(p)].ErrorCode, 0);
        EXPECT_EQ(ActivePortTable[static_cast<std::size_t>(p)].OverallResult, kResultPass);
    }
    std::string logged;
    Drive(kSataSlot, [&](sim::DriveModel& m) {
        const auto page = m.logPages.find(0x9Au << 16);
        if (page != m.logPages.end()) logged.assign(page->second.begin(), page->second.begin() + 24);
    });
    EXPECT_EQ(logged, std::string(kPpid) + " ");
}

}  // namespace
}  // namespace qx::test
