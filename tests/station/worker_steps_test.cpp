// The worker's step protocol over a scripted drive: statuses, error items,
// detail texts, which calls are made and which are not.
#include <fstream>

#include "station/engine_fixture.h"

namespace qx::test {
namespace {

using Calls = std::vector<std::string>;

class WorkerSteps : public EngineFixture {};

TEST_F(WorkerSteps, EnabledStepsRunInTheirOrderAndPass) {
    Connect(0);
    Enable({1, 3, 4, 5, 7, 8, 10, 16});
    Press();
    // START's own look at the drive, then the worker's.
    EXPECT_EQ(ops_.CallsOn(0), (Calls{"IsLoaderDevice", "HasNtfsPartition", "IdentifyDevice", "CheckChip", "FlashModuleTest", "BusInterfaceTest", "FlashInterfaceTest",
                                      "DramTest", "GetCodeBlockList", "PreFormat", "DownloadFirmware",
                                      "ReadWriteTest", "CheckTemperature"}));
    for (int item = 1; item < 40; ++item) {
        const bool on = item == 1 || item == 3 || item == 4 || item == 5 || item == 7 || item == 8 || item == 10 ||
                        item == 16;
        EXPECT_EQ(Status(0, item), on ? kStepPassed : kStepOff) << "item " << item;
    }
    EXPECT_EQ(Rec(0).OverallResult, kResultPass);
    EXPECT_EQ(Rec(0).PendingYield, 1);
    // Pre-format starts its own flash test result afresh.
    EXPECT_EQ(Rec(0).FlashTestResult, 0);
    EXPECT_EQ(Rec(0).FlashTestFlag, 1);
    EXPECT_EQ(Rec(0).Temperature, 41);
    EXPECT_EQ(ops_.downloadSerial, "QX0001");
    const auto& panel = ports_.events[0];
    ASSERT_GE(panel.size(), 4u);
    EXPECT_EQ(panel[0], "Caption Start " + std::to_string(station::kYellow));
    EXPECT_EQ(panel.back(), "Gauge 0 100");
    EXPECT_TRUE(std::find(panel.begin(), panel.end(), "Caption Bus Interface Test 65535") != panel.end());
    // Watchdog armed with [Setting] TimeOut and killed at the end.
    EXPECT_TRUE(view_.Has("Arm 1 300000"));
    EXPECT_EQ(view_.events.back(), "Focus");
}

TEST_F(WorkerSteps, AFailureMarksTheLaterStepsWithoutRunningThem) {
    Connect(0);
    Connect(1);
    Enable({3, 4, 5, 10, 16, 25});
    ops_.Fail("BusInterfaceTest", 0);
    ops_.failDetail = {0xD5, 1, 2, 3};
    Press();
    EXPECT_EQ(ops_.CallsOn(0),
              (Calls{"IsLoaderDevice", "HasNtfsPartition", "IdentifyDevice", "CheckChip", "BusInterfaceTest"}));
    for (int item : {4, 5, 10, 16, 25}) EXPECT_EQ(Status(0, item), kStepFailed) << item;
    EXPECT_EQ(Status(0, 3), kStepFailed);
    EXPECT_EQ(Rec(0).ErrorCode, 3);
    EXPECT_EQ(Rec(0).DisplayCode, 3);
    EXPECT_EQ(Rec(0).OverallResult, kResultFail);
    EXPECT_EQ(Rec(0).PendingYield, -1);
    EXPECT_EQ(static_cast<std::uint8_t>(Detail(0, 3)[0]), 0xD5);
    // The other port is not touched by its neighbour's failure.
    EXPECT_EQ(Rec(1).OverallResult, kResultPass);
    for (int item : {3, 4, 5, 10, 16, 25}) EXPECT_EQ(Status(1, item), kStepPassed) << item;
}

TEST_F(WorkerSteps, TheCodeBlockPreparationEndsAFailedWorker) {
    Connect(0);
    Enable({3, 8, 16});
    ops_.Fail("BusInterfaceTest");
    Press();
    EXPECT_EQ(Status(0, 8), kStepOff);
    EXPECT_EQ(Status(0, 16), kStepOff);
    EXPECT_EQ(ops_.Count("GetCodeBlockList", 0), 0);

    // Its own failure is item 41 with the detail.
    ops_.Set("BusInterfaceTest", -1, 1);
    ops_.Fail("GetCodeBlockList");
    Press();
    EXPECT_EQ(Rec(0).ErrorCode, 41);
    EXPECT_EQ(Status(0, 8), kStepOff);
}

TEST_F(WorkerSteps, PreChecksFailBeforeAnyStep) {
    struct Case {
        const char* name;
        std::function<void(GlobalParameter&, ScriptedOps&)> setup;
        int item;
    };
    const std::vector<Case> cases = {
        {"erase counts not kept", [](GlobalParameter& s, ScriptedOps&) { s.EnKeepEraseCount = 1; }, 70},
        {"SMART page not kept", [](GlobalParameter& s, ScriptedOps&) { s.EnKeepSmartInfo = 1; }, 78},
        {"no RDT report writer", [](GlobalParameter& s, ScriptedOps&) { s.EnReadRDTLog = 1; }, 79},
        {"RDT result", [](GlobalParameter& s, ScriptedOps& o) { s.EnCheckRDT = 1, o.Set("CheckRdtResult", -1, 75); }, 75},
        {"serial length", [](GlobalParameter& s, ScriptedOps&) { s.EnCheckSnLength = 1, s.CheckSnLengthValue = 12; }, 72},
        {"PPID length", [](GlobalParameter& s, ScriptedOps&) { s.EnPPID = 1, s.CheckPPIDLengthValue = 23; }, 87},
        {"chip", [](GlobalParameter&, ScriptedOps& o) { o.Fail("CheckChip"); }, 69},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings_ = GlobalParameter{};
        settings_.Channel = 4, settings_.Bank = kBuildBanks, settings_.TimeOut = 300'000;
        std::snprintf(settings_.SerialNum, sizeof settings_.SerialNum, "QX0001");
        ops_.Reset();
        Connect(0);
        Enable({1, 3});
        c.setup(settings_, ops_);
        Press();
        EXPECT_EQ(Rec(0).ErrorCode, c.item);
        EXPECT_EQ(Rec(0).OverallResult, kResultFail);
        EXPECT_EQ(Status(0, 1), kStepOff);
        EXPECT_EQ(Status(0, 3), kStepOff);
        EXPECT_EQ(ops_.Count("FlashModuleTest", 0), 0);
    }
}

TEST_F(WorkerSteps, ADramFailureIsRefinedByItsReasonUnlessOneDram) {
    Connect(0);
    Enable({5});
    ops_.Fail("DramTest");
    ops_.dramReason = 26;
    ops_.failDetail = {0x26};
    Press();
    EXPECT_EQ(Rec(0).ErrorCode, 67);
    EXPECT_EQ(Detail(0, 67)[0], 0x26);
    EXPECT_EQ(Detail(0, 5)[0], 0x26);
    settings_.EnOneDram = 1;
    Press();
    EXPECT_EQ(Rec(0).ErrorCode, 5);
}

TEST_F(WorkerSteps, TablesWithLaterBadBlocksFailWithItem44) {
    Connect(0);
    Enable({11});
    ops_.totals = {7, 0, 2, 0, 0, 0, 0};
    Press();
    EXPECT_EQ(Status(0, 11), kStepFailed);
    EXPECT_EQ(Rec(0).ErrorCode, 44);
    const std::string d = Detail(0, 44);
    EXPECT_EQ(static_cast<std::uint8_t>(d[0]), 0xBB);
    EXPECT_EQ(d[1], 7);   // counts[0], little-endian

    // The early-bad count alone never decides.
    ops_.totals = {9, 0, 0, 0, 0, 0, 0};
    Press();
    EXPECT_EQ(Status(0, 11), kStepPassed);
}

TEST_F(WorkerSteps, ARebuildOnlyRunFailsOnAFailedRebuildWhateverTheCloseBox) {
    Connect(0);
    Enable({3});
    view_.controls.rdPageActive = true;
    view_.controls.claimNew = true;
    view_.controls.rebuildClose = true;
    ops_.Fail("RebuildBadBlock");
    Press();
    EXPECT_EQ(Rec(0).ErrorCode, 2);
    EXPECT_EQ(Rec(0).OverallResult, kResultFail);
    EXPECT_EQ(ops_.Count("BusInterfaceTest", 0), 0);
    EXPECT_FALSE(view_.Has("Close"));
    EXPECT_TRUE(prompter_.Texts().empty());

    ops_.Set("RebuildBadBlock", -1, 1);
    Press();
    EXPECT_EQ(Rec(0).OverallResult, kResultPass);
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Rebuild O.K., Close the AP"}));
    EXPECT_TRUE(view_.Has("Close"));
}

TEST_F(WorkerSteps, ChecksThatReadNothingFail) {
    struct Case {
        const char* name;
        int item;
        bool usb;
        std::function<void(ScriptedOps&)> setup;
    };
    const std::vector<Case> cases = {
        {"register read fails", 30, false, [](ScriptedOps& o) { o.Fail("ReadRegister"); }},
        {"SATA 3 speed reported", 30, false, [](ScriptedOps& o) { o.registerValue = 0x20; }},
        {"READ LOG EXT fails", 31, false, [](ScriptedOps& o) { o.Fail("AtaReadLogExt"); }},
        {"PPID read on a USB path", 31, true, [](ScriptedOps&) {}},
        {"standby fails after the PPID write", 12, false, [](ScriptedOps& o) { o.Fail("AtaStandby"); }},
        {"capacity unknown: zero check", 32, false, [](ScriptedOps& o) { o.capacity = 0; }},
        {"capacity unknown: percentage test", 25, false, [](ScriptedOps& o) { o.capacity = 0; }},
        {"no image writer", 15, false, [](ScriptedOps&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings_.TestItemEnable = {};
        ClearPortRecord(Rec(0));
        ops_.Reset();
        Connect(0, c.usb);
        Enable({c.item});
        if (c.item == 15) Enable({8});
        if (c.item == 25) settings_.RWTestPercentageCycles = 1, settings_.RWTestPercentage = 10;
        c.setup(ops_);
        Press();
        EXPECT_EQ(Status(0, c.item), kStepFailed);
        EXPECT_EQ(Rec(0).ErrorCode, c.item);
    }
}

TEST_F(WorkerSteps, PpidWrittenIsThePpidReadBack) {
    Connect(0);
    Enable({12, 31});
    std::snprintf(Rec(0).Ppid, sizeof Rec(0).Ppid, "CN0PPID0123456789ABCDEF");
    Press();
    EXPECT_EQ(Status(0, 12), kStepPassed);
    EXPECT_EQ(Status(0, 31), kStepPassed);
    EXPECT_EQ(std::string(ops_.ppidLog.begin(), ops_.ppidLog.begin() + 24), "CN0PPID0123456789ABCDEF ");
}

TEST_F(WorkerSteps, IdemaCapacityOf120GB) {
    Connect(0);
    Enable({21});
    settings_.IdemaCapacityGB = 120;
    ops_.capacity = 234'441'648;
    Press();
    EXPECT_EQ(Status(0, 21), kStepPassed);
    ops_.capacity = 234'441'647;
    Press();
    EXPECT_EQ(Status(0, 21), kStepFailed);
    EXPECT_EQ(Rec(0).ErrorCode, 21);
}

TEST_F(WorkerSteps, HalfOfAMillionSectorsIs3907Requests) {
    Connect(0);
    Enable({25});
    settings_.RWTestPercentage = 50;
    settings_.RWTestPercentageCycles = 2;
    const std::uint64_t before = clock_.NowMs();
    Press();
    EXPECT_EQ(Status(0, 25), kStepPassed);
    for (const char* kind : {"Write", "Read"}) {
        const auto& sizes = ops_.blocks[{kind, 0}];
        ASSERT_EQ(sizes.size(), 2u * 3907) << kind;
        EXPECT_EQ(sizes[3905], 128u);
        EXPECT_EQ(sizes[3906], 32u);
    }
    // Three seconds between the write and the read pass of each cycle.
    EXPECT_GE(clock_.NowMs() - before, 6000u);
    const auto& panel = ports_.events[0];
    EXPECT_TRUE(std::find(panel.begin(), panel.end(), "Cycle 2/2") != panel.end());
    EXPECT_EQ(std::count(panel.begin(), panel.end(), "Rw shown"), 1);
    EXPECT_EQ(std::count(panel.begin(), panel.end(), "Rw hidden"), 1);
}

TEST_F(WorkerSteps, TheIdentityReadKeepsALongerSerialThatBeginsWithTheDrives) {
    struct Case {
        const char* record;
        const char* drive;
        const char* kept;
    };
    for (const Case c : {Case{"QX0001-LONG", "QX0001", "QX0001-LONG"}, Case{"OTHER", "QX0001", "QX0001"}}) {
        SCOPED_TRACE(c.record);
        ClearPortRecord(Rec(0));
        Connect(0);
        settings_.TestItemEnable = {};
        Enable({22});
        settings_.EnUpdateFirmwareMode = 1;   // the record keeps what the test puts there
        std::snprintf(Rec(0).SerialNumber, sizeof Rec(0).SerialNumber, "%s", c.record);
        // IDENTIFY words 10-19, byte pairs swapped as the drive sends them.
        std::fill(ops_.identify.begin(), ops_.identify.end(), std::uint8_t{0});
        const std::string serial = c.drive;
        for (std::size_t i = 0; i < serial.size(); ++i) ops_.identify[20 + (i ^ 1)] = static_cast<std::uint8_t>(serial[i]);
        Press();
        EXPECT_STREQ(Rec(0).SerialNumber, c.kept);
    }
}

TEST_F(WorkerSteps, SysFwMarkersAreCreatedButNeverTruncated) {
    Connect(0);
    Enable({39});
    std::ofstream(dir_.file("Pass.txt")) << "earlier";
    Press();
    EXPECT_EQ(Status(0, 39), kStepPassed);
    std::ifstream in(dir_.file("Pass.txt"));
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "earlier");

    ops_.Fail("CheckCodeBlocks");
    Press();
    EXPECT_EQ(Rec(0).ErrorCode, 39);
    EXPECT_TRUE(std::filesystem::exists(dir_.file("Fail.txt")));
}

TEST_F(WorkerSteps, AnEarlierFailureStaysTheErrorCodeThroughTheSysFwCheck) {
    Connect(0);
    Enable({3, 39});
    ops_.Fail("BusInterfaceTest");
    Press();
    EXPECT_EQ(Status(0, 39), kStepFailed);
    EXPECT_EQ(Rec(0).ErrorCode, 3);
    EXPECT_EQ(ops_.Count("CheckCodeBlocks", 0), 0);
}

}  // namespace
}  // namespace qx::test
