// The run controller: refusals, worker start order and identities, the
// order of the result files, the table operation, the elapsed time text.
#include <filesystem>
#include <fstream>

#include "qxlib/base/switches.h"
#include "qxlib/format/fat32_format.h"
#include "qxlib/programs/program_paths.h"
#include "station/engine_fixture.h"
#include "station/run/elapsed_text.h"

namespace qx::test {
namespace {

using Texts = std::vector<std::string>;

class RunControllerTest : public EngineFixture {
protected:
    std::vector<std::string> After(const std::string& first) const {
        auto it = std::find(view_.events.begin(), view_.events.end(), first);
        return {it, view_.events.end()};
    }
};

TEST_F(RunControllerTest, WorkersStartInPortOrderWithTheirOwnSerials) {
    for (int p : {0, 4, 7}) Connect(p);
    Enable({3, 8});
    view_.controls.snIncrement = true;
    Press();
    EXPECT_EQ(engine_->Controller().LastStartedPort(), 7);
    EXPECT_STREQ(Rec(0).SerialNumber, "QX0001");
    EXPECT_STREQ(Rec(4).SerialNumber, "QX0002");
    EXPECT_STREQ(Rec(7).SerialNumber, "QX0003");
    EXPECT_STREQ(Rec(4).Wwn, "A0");
    EXPECT_TRUE(view_.Has("Counters QX0004 A0"));
    EXPECT_EQ(FormatOpenRetries.load(), 15);
    for (int p : {0, 4, 7}) EXPECT_EQ(Rec(p).OverallResult, kResultPass) << p;
    EXPECT_EQ(GdpImagePath(), dir_.file("GDP.bin"));
    EXPECT_EQ(rescan_.waits, 1);
}

TEST_F(RunControllerTest, TheResultsAreWrittenInTheirOrderAfterTheLastWorker) {
    Connect(0);
    Enable({3});
    state_.captureAppImage = true;
    results_.onLog = [this] { EXPECT_EQ(Rec(0).OverallResult, kResultPass) << "a worker still ran"; };
    Press();
    EXPECT_EQ(results_.calls, (Texts{"Log", "Dumps", "Capture"}));
    const auto tail = After("Wait off");
    ASSERT_GE(tail.size(), 6u);
    EXPECT_EQ(tail[1], "Counters QX0001 A0");
    EXPECT_EQ(tail[2].rfind("Elapsed", 0), 0u);
    EXPECT_EQ(tail[3], "UpdateDrawPanel");
    EXPECT_EQ(tail[4], "FormToGlobalParameter");
    EXPECT_EQ(tail[5], "SaveSettings");

    // A production log that cannot be written ends the run there.
    results_.calls.clear();
    results_.logOk = false;
    view_.events.clear();
    Press();
    EXPECT_EQ(results_.calls, (Texts{"Log"}));
    EXPECT_FALSE(view_.Has("UpdateDrawPanel"));
    EXPECT_TRUE(view_.Has("SaveSettings"));
}

TEST_F(RunControllerTest, RefusalsBeforeAnyWorkerStarts) {
    // No drive: nothing animated, nothing started.
    Enable({3});
    Press();
    EXPECT_EQ(prompter_.Texts(), (Texts{"Please Make sure the Connection devices Number!!"}));
    EXPECT_EQ(prompter_.Records()[0].caption, "Message");
    EXPECT_EQ(prompter_.Records()[0].icon, ui::BoxIcon::Information);
    EXPECT_FALSE(view_.Has("Wait on"));
    EXPECT_TRUE(view_.Has("Start off"));
    EXPECT_TRUE(view_.Has("SaveSettings"));

    // Two drives where three are wanted: the animation started and stopped.
    prompter_.Clear();
    view_.events.clear();
    Connect(1);
    Connect(2);
    settings_.ConnectDevNum = 3;
    Press();
    EXPECT_EQ(prompter_.Texts(), (Texts{"Please Make sure the Connection devices Number!!"}));
    EXPECT_EQ(view_.CountOf("Wait on"), 1);
    EXPECT_EQ(view_.CountOf("Wait off"), 1);
    EXPECT_FALSE(view_.Has("ChangeGlobalParameter")) << "settings not taken from the window";
    EXPECT_TRUE(ops_.CallsOn(1).size() == 3u) << "only START's look at the drive";

    // A port without its fixed serial refuses by its 1-based number.
    prompter_.Clear();
    settings_.ConnectDevNum = 0;
    settings_.EnReMPSN = 1;
    for (auto& s : settings_.ReMPSerialNum) std::snprintf(s, sizeof s, "SN");
    Connect(4);
    std::snprintf(settings_.ReMPSerialNum[4], sizeof settings_.ReMPSerialNum[4], "N/A");
    Press();
    EXPECT_EQ(prompter_.Texts(), (Texts{"Please Make sure the PortSN05 does exist!!!"}));
    EXPECT_EQ(results_.calls.size(), 0u);
}

TEST_F(RunControllerTest, SkippingEarlyBadCountsIsDecidedOnEveryRun) {
    Connect(0);
    Enable({8});
    state_.specialMode = true;
    Press();
    EXPECT_TRUE(SkipEarlyBadCount.load());
    state_.specialMode = false;
    Press();
    EXPECT_FALSE(SkipEarlyBadCount.load());
}

TEST_F(RunControllerTest, APortWhoseWorkerCannotStartFailsAloneAsTimedOut) {
    Connect(0);
    Connect(1);
    Enable({3});
    Rec(0).StepStatus[3] = kStepPassed;   // left from an earlier run
    int n = 0;
    engine_->Controller().Workers().SetLauncher([&n](std::function<void()> body) -> std::thread {
        if (n++ == 0) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(body));
    });
    Press();
    EXPECT_EQ(Rec(0).ErrorCode, 42);
    EXPECT_EQ(Rec(0).OverallResult, kResultFail);
    EXPECT_EQ(Status(0, 3), kStepOff);
    EXPECT_EQ(Rec(1).OverallResult, kResultPass);
    EXPECT_EQ(results_.calls.front(), "Log");
}

TEST_F(RunControllerTest, TheTableOperationTouchesOnlyTheFirstConnectedDrive) {
    struct Case {
        const char* name;
        std::function<void(station::RoundControls&, ScriptedOps&)> setup;
        Texts messages;
    };
    const std::string table = dir_.file("tables_d.txt");
    const std::vector<Case> cases = {
        {"get defect table", [&](station::RoundControls& c, ScriptedOps&) { c.getDefTable = true, c.tableIn = table; },
         {"Get Def. Table O.K."}},
        {"get defect table fails", [&](station::RoundControls& c, ScriptedOps& o) {
             c.getDefTable = true, c.tableIn = table;
             o.Fail("GetDefectTable");
         }, {"Get Def. Table Fail"}},
        {"put defect table without its file", [&](station::RoundControls& c, ScriptedOps&) {
             c.putDefTable = true, c.tableOut = "/nonexistent/d.txt";
         }, {"Put Def. Table Fail"}},
        {"put defect table the program refuses", [&](station::RoundControls& c, ScriptedOps& o) {
             c.putDefTable = true, c.tableOut = table;
             o.Fail("RunGdpType1");
         }, {"Put Def. Table Fail"}},
        {"put defect table", [&](station::RoundControls& c, ScriptedOps&) { c.putDefTable = true, c.tableOut = table; },
         {"Put Def. Table O.K."}},
        {"get later table fails", [&](station::RoundControls& c, ScriptedOps& o) {
             c.getLaterTable = true;
             o.Fail("GetLaterTable");
         }, {"Get Later Table Fail"}},
        {"put later table", [&](station::RoundControls& c, ScriptedOps&) { c.putLaterTable = true; },
         {"Put Later Table O.K."}},
        {"flash module", [&](station::RoundControls& c, ScriptedOps& o) {
             c.getDefTable = true;
             o.Fail("FlashModuleTest");
         }, {"Check Flash Module Fail. Please choose a correct flash module"}},
        {"code blocks", [&](station::RoundControls& c, ScriptedOps& o) {
             c.getDefTable = true;
             o.Fail("GetCodeBlockList");
         }, {"Get Block Fail."}},
    };
    Connect(2);
    Connect(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(table) << "table";
        view_.controls = {};
        view_.controls.rdPageActive = true;
        ops_.Reset();
        prompter_.Clear();
        results_.calls.clear();
        c.setup(view_.controls, ops_);
        Press();
        EXPECT_EQ(prompter_.Texts(), c.messages);
        EXPECT_TRUE(ops_.CallsOn(5).size() == 3u) << "only START's look at the second drive";
        EXPECT_TRUE(results_.calls.empty());
    }
}

TEST_F(RunControllerTest, TablePathsResolveInTheProgramFolderUnlessAbsolute) {
    Connect(0);
    view_.controls.rdPageActive = true;
    view_.controls.getDefTable = true;
    for (const char* path : {"tables\\d.txt", "D:\\t.txt", "/abs/t.txt"}) {
        view_.controls.tableIn = path;
        Press();
    }
    EXPECT_EQ(ops_.paths, (Texts{dir_.file("tables\\d.txt"), "D:\\t.txt", "/abs/t.txt"}));
    // Special mode skips the flash module test.
    state_.specialMode = true;
    ops_.Reset();
    Press();
    EXPECT_EQ(ops_.Count("FlashModuleTest", 0), 0);
}

TEST_F(RunControllerTest, AFailedGetDeletesThePartialTableFile) {
    Connect(0);
    const std::string table = dir_.file("d.txt");
    std::ofstream(table) << "partial";
    view_.controls.rdPageActive = true;
    view_.controls.getDefTable = true;
    view_.controls.tableIn = table;
    ops_.Fail("GetDefectTable");
    Press();
    EXPECT_FALSE(std::filesystem::exists(table));
}

TEST(ElapsedText, PartsThatAreNotZero) {
    struct Case {
        std::uint64_t seconds;
        const char* text;
    };
    for (const Case c : {Case{3725, "1 Hour 2 Min 5 Sec"}, Case{60, "1 Min "}, Case{59, "59 Sec"}, Case{0, ""},
                         Case{7200, "2 Hour "}, Case{90061, "25 Hour 1 Min 1 Sec"}})
        EXPECT_EQ(station::ElapsedText(c.seconds), c.text) << c.seconds;
}

}  // namespace
}  // namespace qx::test
