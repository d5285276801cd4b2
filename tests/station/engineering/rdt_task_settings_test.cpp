#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/engineering/rdt_task_settings.h"
#include "station/settings/integer_text.h"

namespace qx::station {
namespace {

RdtTaskInput Input(bool runTimeSet, const char* runTime, bool loopsSet, const char* loops, bool dramSet,
                   const char* dram, const char* wait) {
    RdtTaskInput in;
    in.EraseAll = true;
    in.SetNandRunTime = runTimeSet;
    in.NandRunTimeText = runTime;
    in.LoopsSet = loopsSet;
    in.NandLoopsText = loops;
    in.DramTimeSet = dramSet;
    in.DramRunTimeText = dram;
    in.WaitTimeText = wait;
    return in;
}

TEST(RdtTaskSettings, ZeroRulesOnDone) {
    struct Case {
        RdtTaskInput in;
        std::uint16_t runTime, loops, dram, wait;
        std::uint8_t setRunTime;
    };
    const std::vector<Case> cases = {
        {Input(true, "90", true, "3", true, "20", "5"), 90, 3, 20, 5, 1},
        {Input(false, "90", false, "3", false, "20", "5"), 0, 0, 0, 5, 0},
        {Input(true, "0", true, "0", true, "0", "0"), 0, 0, 0, 0, 0},
        {Input(true, "0x10", true, "$2", false, "1", "7"), 16, 2, 0, 7, 1},
    };
    for (const Case& c : cases) {
        RdtTaskSettings s;
        StoreRdtTaskInput(c.in, s);
        EXPECT_EQ(s.NandRunTime, c.runTime);
        EXPECT_EQ(s.NandLoops, c.loops);
        EXPECT_EQ(s.DramRunTime, c.dram);
        EXPECT_EQ(s.WaitTime, c.wait);
        EXPECT_EQ(s.SetNandRunTime, c.setRunTime);
        EXPECT_EQ(s.EraseAll, 1);
    }
}

TEST(RdtTaskSettings, ABadEditStoresNothing) {
    for (const RdtTaskInput& in : {Input(true, "9x", true, "1", true, "1", "1"), Input(true, "1", true, "", true, "1", "1"),
                                   Input(true, "1", true, "1", true, "1", "abc")}) {
        RdtTaskSettings s;
        s.NandRunTime = 44;
        s.WaitTime = 3;
        EXPECT_THROW(StoreRdtTaskInput(in, s), InvalidInteger);
        EXPECT_EQ(s.NandRunTime, 44);
        EXPECT_EQ(s.WaitTime, 3);
        EXPECT_EQ(s.EraseAll, 0);
    }
}

TEST(RdtTaskSettings, StepsMoveAndShow) {
    std::vector<PatternStep> steps(3);
    for (std::size_t i = 0; i < steps.size(); ++i) steps[i].Data = static_cast<std::uint8_t>(0xA0 + i);
    EXPECT_EQ(MovePatternStep(steps, 0, true), 0);
    EXPECT_EQ(MovePatternStep(steps, 2, false), 2);
    EXPECT_EQ(MovePatternStep(steps, 1, true), 0);
    EXPECT_EQ(MovePatternStep(steps, 1, false), 2);
    EXPECT_EQ(PatternStepLines(steps),
              (std::vector<std::string>{"0. RW with data 0xA1", "1. RW with data 0xA2", "2. RW with data 0xA0"}));
}

TEST(RdtTaskSettings, CaptionFollowsTheLastSetFlag) {
    RdtTaskSettings s;
    EXPECT_EQ(TaskGroupCaption(s, "RDT Task"), "RDT Task");
    s.LtsTaskFlag = 1;
    EXPECT_EQ(TaskGroupCaption(s, "RDT Task"), "LTS Task");
    s.ReRdtTaskFlag = 1;
    s.RdtTaskFlag = 1;
    EXPECT_EQ(TaskGroupCaption(s, "X"), "Re-RDT Task");
}

TEST(RdtTaskSettings, BuiltInPattern) {
    const auto patterns = BuiltInPatterns();
    ASSERT_EQ(patterns.size(), 1u);
    EXPECT_EQ(patterns[0].Name, "RW TEST");
    const std::array<std::uint8_t, 16> expected{0, 30, 1, 1, 1, 1};
    EXPECT_EQ(patterns[0].Params, expected);
}

}  // namespace
}  // namespace qx::station
