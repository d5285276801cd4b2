// START's checks and rounds, the stop button, the watchdog and the timers.
#include <algorithm>
#include <filesystem>

#include "station/engine_fixture.h"

namespace qx::test {
namespace {

using Texts = std::vector<std::string>;

class RunStartTest : public EngineFixture {
protected:
    // Calls action on the window thread once a drive command hangs, as a
    // watchdog or the operator would once the interval has passed.
    void WhenHung(std::function<void()> action) {
        auto* poll = new QTimer();
        QObject::connect(poll, &QTimer::timeout, [this, poll, action] {
            if (ops_.hanging.load() == 0) return;
            poll->stop();
            poll->deleteLater();
            action();
        });
        poll->start(0);
    }
};

TEST_F(RunStartTest, RefusalsShowTheirTextAndRestoreTheWindow) {
    struct Case {
        const char* text;
        std::function<void(GlobalParameter&, station::RoundControls&, ScriptedOps&)> setup;
    };
    const std::vector<Case> cases = {
        {"Please make sure the Flash parameter selection!",
         [](GlobalParameter&, station::RoundControls& c, ScriptedOps&) { c.capacityIndex = 2, c.capacityGB = 128; }},
        {"Please check total channel's number, only support 1, 2, 3, and 4 channel",
         [](GlobalParameter& s, station::RoundControls&, ScriptedOps&) { s.Channel = 6; }},
        {kSingleBankBuild ? "Please check total bank's number, only support 1 bank"
                                   : "Please check total bank's number, only support 1, 2, 4 and 8 bank",
         [](GlobalParameter& s, station::RoundControls&, ScriptedOps&) { s.Bank = 3; }},
        {"When mptool download SATA and USB codes to flash simultaneously, the length of SN is'nt less than 12",
         [](GlobalParameter& s, station::RoundControls& c, ScriptedOps&) { c.usbBin = true, s.SNMinLength = 11; }},
        {"Please remove the #2 SSD's disk partition (NTFS) before initialize the SSD.",
         [](GlobalParameter&, station::RoundControls&, ScriptedOps& o) { o.Set("HasNtfsPartition", 1, 1); }},
        {"At lease one bin file needed!",
         [](GlobalParameter&, station::RoundControls& c, ScriptedOps&) { c.sataBin = false; }},
        {"The Block Page number of flash is too small, then MP can't download SATA and USB codes simultaneously",
         [this](GlobalParameter& s, station::RoundControls& c, ScriptedOps&) {
             c.usbBin = true, s.SNMinLength = 12;
             config_.FlashGeometry.PagesPerBlock = 64;
         }},
    };
    Connect(0);
    Connect(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        settings_.Channel = 4, settings_.Bank = kBuildBanks;
        settings_.TestItemEnable = {};
        Enable({3, 8});
        config_.FlashGeometry.PagesPerBlock = 256;
        view_.controls = {};
        view_.controls.sataBin = true;
        view_.events.clear();
        prompter_.Clear();
        ops_.Reset();
        c.setup(settings_, view_.controls, ops_);
        Press();
        EXPECT_EQ(prompter_.Texts(), Texts{c.text});
        EXPECT_EQ(prompter_.Records()[0].icon, ui::BoxIcon::Information);
        EXPECT_EQ(view_.events.back(), "Restore");
        EXPECT_FALSE(view_.Has("SaveSettings"));
        EXPECT_FALSE(engine_->Busy());
        EXPECT_EQ(ops_.Count("BusInterfaceTest", 0), 0);
    }
}

TEST_F(RunStartTest, TheBankRuleFollowsTheBuild) {
    Connect(0);
    Enable({3});
    for (int bank : {1, 2, 4, 8}) {
        SCOPED_TRACE(bank);
        settings_.Bank = static_cast<std::uint8_t>(bank);
        prompter_.Clear();
        Press();
        const bool refused = kSingleBankBuild && bank != 1;
        EXPECT_EQ(prompter_.Texts().size(), refused ? 1u : 0u);
        EXPECT_EQ(Rec(0).OverallResult, refused ? kResultNone : kResultPass);
        ClearPortRecord(Rec(0));
        Connect(0);
    }
}

TEST_F(RunStartTest, ACapacityMismatchClearsTheListedStepsOfPresentPorts) {
    Connect(0);
    Rec(3).Present = 1;
    Enable({3});
    for (int p : {0, 3}) {
        Rec(p).StepStatus[3] = kStepPassed;
        Rec(p).StepStatus[5] = kStepFailed;
        Rec(p).OverallResult = kResultPass;
    }
    view_.controls.capacityIndex = 1;
    view_.controls.capacityGB = 64;
    view_.controls.listedSteps = {3};
    Press();
    for (int p : {0, 3}) {
        EXPECT_EQ(Status(p, 3), kStepOff);
        EXPECT_EQ(Status(p, 5), kStepFailed) << "not in the list";
        EXPECT_EQ(Rec(p).OverallResult, kResultNone);
    }
}

TEST_F(RunStartTest, SpecialModeAcceptsAnyChannelCount) {
    Connect(0);
    Enable({3});
    settings_.Channel = 6;
    state_.specialMode = true;
    Press();
    EXPECT_TRUE(prompter_.Texts().empty());
    EXPECT_EQ(Rec(0).OverallResult, kResultPass);
}

TEST_F(RunStartTest, DuplicateBarcodeSerialsOnlyCountOnConnectedPorts) {
    for (int p : {0, 1}) std::snprintf(barcodes_.PortBarcodeSN[static_cast<std::size_t>(p)].data(), 40, "SAME");
    settings_.EnBarCode = 1;
    Enable({3});
    Connect(0);
    Rec(1).Present = 1;   // present, not connected
    Press();
    EXPECT_TRUE(prompter_.Texts().empty());
    Connect(1);
    Press();
    EXPECT_EQ(prompter_.Texts(), Texts{"The SN isn't unique"});
}

TEST_F(RunStartTest, EachDrivesSataSpeedIsTakenBeforeTheRun) {
    Connect(0);
    Connect(1);
    Enable({3});
    ops_.Set("IsLoaderDevice", 0, 1);
    ops_.identify[152] = 0x0E;
    DeviceSlots[1].SataSpeedBits = 0;
    Press();
    EXPECT_EQ(DeviceSlots[0].SataSpeedBits, 14);
    EXPECT_EQ(ops_.Count("IdentifyDevice", 0), 0);
    EXPECT_EQ(ops_.Count("HasNtfsPartition", 0), 0);
    EXPECT_EQ(DeviceSlots[1].SataSpeedBits, 0x0E);
}

TEST_F(RunStartTest, AMissingFirmwareFileRunsNothing) {
    Connect(0);
    Enable({8});
    view_.controls.usbBin = true;
    settings_.SNMinLength = 12;
    Press();
    EXPECT_EQ(prompter_.Texts(), Texts{"Can't open: " + dir_.file("SYS_U.bin")});
    EXPECT_EQ(ops_.Count("DownloadFirmware", 0), 0);
    EXPECT_FALSE(view_.Has("SaveSettings"));
    EXPECT_TRUE(view_.startEnabled);

    // With the file there the list holds both, sizes rounded up to KiB.
    std::filesystem::copy_file(dir_.file("SYS_S.bin"), dir_.file("SYS_U.bin"));
    prompter_.Clear();
    Press();
    EXPECT_TRUE(prompter_.Texts().empty());
    EXPECT_EQ(bins_.Count, 2);
    EXPECT_STREQ(bins_.Names[1], dir_.file("SYS_U.bin").c_str());
    EXPECT_EQ(bins_.SizesKB[0], 3u);
}

TEST_F(RunStartTest, TheWatchdogFailsOnlyTheHungPort) {
    for (int p : {0, 1, 3}) Connect(p);
    Enable({3, 5});
    ops_.Hang("DramTest", 3);
    view_.onEvent = [this](const std::string& e) {
        if (e == "Arm 4 300000") WhenHung([this] { engine_->OnTimer(4); });
    };
    Press();
    EXPECT_EQ(Rec(3).ErrorCode, 42);
    EXPECT_EQ(Rec(3).DisplayCode, 42);
    EXPECT_EQ(Rec(3).OverallResult, kResultFail);
    EXPECT_EQ(Rec(3).PendingYield, 0) << "a timed-out drive is not booked";
    EXPECT_EQ(Status(3, 3), kStepPassed);
    EXPECT_EQ(Status(3, 5), kStepRunning) << "the step that hung stays running";
    for (int p : {0, 1}) EXPECT_EQ(Rec(p).OverallResult, kResultPass) << p;
    EXPECT_TRUE(view_.Has("Kill 4"));
    EXPECT_EQ(results_.calls.front(), "Log");
    // The killed worker unwound and its thread is joined before the port's
    // next use; nothing it did after the kill reached the record or panel.
    engine_->JoinPort(3);
    EXPECT_EQ(Rec(3).ErrorCode, 42);
    const auto& panel = ports_.events[3];
    EXPECT_EQ(std::count(panel.begin(), panel.end(), "Gauge 0 100"), 0);
    EXPECT_EQ(view_.CountOf("Kill 4"), 2) << "one before arming, one by the watchdog; none from the worker";
    EXPECT_EQ(std::count(ports_.events[0].begin(), ports_.events[0].end(), "Gauge 0 100"), 1);
}

TEST_F(RunStartTest, TimerIdsOutsideThePortsDoNothing) {
    Connect(0);
    PortCount = 2;
    for (int id : {0, 3, 50, 52}) engine_->OnTimer(id);
    EXPECT_TRUE(view_.events.empty());
    engine_->OnTimer(station::kRescanTimerId);
    EXPECT_EQ(rescan_.refreshes, 1);
    EXPECT_EQ(view_.events, (Texts{"Kill 51", "Focus"}));
    // A watchdog whose worker already ended changes nothing.
    engine_->OnTimer(1);
    EXPECT_EQ(view_.events.back(), "Kill 1");
    EXPECT_EQ(Rec(0).ErrorCode, 0);
}

// A rescan rewrites the port records and slot paths the workers read: the
// rescan timer that fires while a run goes on (armed by a plug just before
// START) refreshes nothing then, and is armed again when the run is over.
TEST_F(RunStartTest, TheRescanTimerWaitsForTheRunsEnd) {
    Connect(0);
    Enable({3});
    view_.onEvent = [this](const std::string& e) {
        if (e == "Lock") engine_->OnTimer(station::kRescanTimerId);
    };
    Press();
    view_.onEvent = nullptr;
    EXPECT_EQ(rescan_.refreshes, 0);
    EXPECT_EQ(Rec(0).OverallResult, kResultPass);
    const auto restore = std::find(view_.events.begin(), view_.events.end(), "Restore");
    ASSERT_NE(restore, view_.events.end());
    EXPECT_EQ(*std::next(restore), "Arm 51 200");
    // Once armed after the run, it refreshes as always.
    engine_->OnTimer(station::kRescanTimerId);
    EXPECT_EQ(rescan_.refreshes, 1);
}

TEST_F(RunStartTest, BatchRoundsAreCountedAndLabelled) {
    EnBatchMode = 1;
    Connect(0);
    Enable({3});
    view_.controls.repeatTimes = 3;
    Press();
    EXPECT_EQ(results_.calls, (Texts{"Log", "Dumps", "Log", "Dumps", "Log", "Dumps"}));
    std::vector<std::string> rounds;
    for (const std::string& e : view_.events)
        if (e.rfind("Round ", 0) == 0) rounds.push_back(e);
    EXPECT_EQ(rounds, (Texts{"Round Batch Mode Round 1", "Round Batch Mode Round 2", "Round Batch Mode Round 3"}));
    EXPECT_EQ(results_.lastRun.batchRound, 3);
    EXPECT_EQ(view_.events.back(), "Batch " + std::to_string(station::kLime));

    // A port failing with "Ignore Error" on "Disable" ends the batch after its round.
    results_.calls.clear();
    view_.controls.ignoreErrorDisabled = true;
    ops_.Fail("BusInterfaceTest");
    Press();
    EXPECT_EQ(results_.calls, (Texts{"Log", "Dumps"}));
    EXPECT_EQ(view_.events.back(), "Batch " + std::to_string(station::kRed));
}

TEST_F(RunStartTest, StopInRoundTwoEndsTheBatchThere) {
    EnBatchMode = 1;
    Connect(0);
    Connect(2);
    Enable({3, 5});
    view_.controls.repeatTimes = 5;
    view_.onEvent = [this](const std::string& e) {
        if (e != "Round Batch Mode Round 2") return;
        ops_.Hang("DramTest");
        WhenHung([this] { engine_->StopClick(); });
    };
    Press();
    EXPECT_EQ(results_.calls, (Texts{"Log", "Dumps", "Log", "Dumps"}));
    for (int p : {0, 2}) {
        EXPECT_EQ(Rec(p).ErrorCode, 7) << p;
        EXPECT_EQ(Status(p, 7), kStepFailed);
        EXPECT_EQ(Rec(p).OverallResult, kResultFail);
        EXPECT_EQ(Detail(p, 7), std::string(8, '\0'));
    }
    EXPECT_FALSE(engine_->Batch().Continue.load());
    EXPECT_EQ(view_.events.back(), "Batch " + std::to_string(station::kRed));
}

TEST_F(RunStartTest, AutomaticStartGivesUpWaitingOnTheNinthTick) {
    Connect(0);
    Enable({3});
    state_.autoExecute = true;
    view_.startEnabled = false;
    for (int tick = 1; tick <= 8; ++tick) {
        engine_->AutoTestTimerTimer();
        EXPECT_EQ(engine_->AutoRunRetries(), tick);
        EXPECT_EQ(view_.events.back(), "Auto on");
    }
    EXPECT_TRUE(results_.calls.empty());
    engine_->AutoTestTimerTimer();
    EXPECT_EQ(results_.calls.front(), "Log");

    // With START enabled the first tick presses it.
    results_.calls.clear();
    view_.startEnabled = true;
    engine_->AutoTestTimerTimer();
    EXPECT_EQ(engine_->AutoRunRetries(), 0);
    EXPECT_EQ(results_.calls.front(), "Log");
}

TEST_F(RunStartTest, ALogFolderThatCannotBeMadeIsShownAndTheWindowRestored) {
    Connect(0);
    Enable({3});
    results_.logDirMissing = true;
    Press();
    ASSERT_EQ(prompter_.Texts(), Texts{"Cannot create log directory."});
    EXPECT_EQ(prompter_.Records()[0].caption, "Error");
    EXPECT_EQ(view_.events.back(), "Restore");
    EXPECT_FALSE(engine_->Busy());
    EXPECT_TRUE(engine_->ResultsLost());
    EXPECT_FALSE(view_.Has("Quit")) << "not asked to quit";

    // A run that was to quit by itself, with nobody to read the box, quits.
    state_.autoExecuteQuit = true;
    engine_->SetUnattended(true);
    Press();
    EXPECT_EQ(view_.events.back(), "Quit");
    EXPECT_TRUE(engine_->ResultsLost());
}

// Nobody to read a refusal: a run that was to quit by itself quits with the
// round marked as not run, instead of idling for ever. With a display the
// window waits for the operator, as before.
TEST_F(RunStartTest, AnUnattendedRoundThatDidNotRunStillQuits) {
    struct Case {
        const char* what;
        std::function<void()> setup;
        bool notRun;
    };
    const std::vector<Case> cases = {
        {"a normal round", [] {}, false},
        {"a refusal", [this] { settings_.Channel = 6; }, true},
        {"no step enabled", [this] { settings_.TestItemEnable = {}; }, true},
        {"no drive connected", [this] { ClearPortRecord(Rec(0)); }, true},
    };
    state_.autoExecuteQuit = true;
    for (bool unattended : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (unattended ? ", unattended" : ", with a display"));
            settings_.Channel = 4;
            settings_.TestItemEnable = {};
            Enable({3});
            ClearPortRecord(Rec(0));
            Connect(0);
            view_.events.clear();
            c.setup();
            engine_->SetUnattended(unattended);
            Press();
            EXPECT_EQ(engine_->RoundNotRun(), c.notRun);
            const bool refused = c.notRun && std::string(c.what) == "a refusal";
            EXPECT_EQ(view_.Has("Quit"), unattended || !refused);
            EXPECT_FALSE(engine_->ResultsLost());
        }
    }
}

TEST_F(RunStartTest, AutoExecuteQuitEndsTheProgramAfterTheRound) {
    Connect(0);
    Enable({3});
    state_.autoExecuteQuit = true;
    Press();
    EXPECT_EQ(view_.events.back(), "Quit");
}

}  // namespace
}  // namespace qx::test
