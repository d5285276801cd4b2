#include <gtest/gtest.h>

#include "station/entry/command_line.h"
#include "station/entry/start_texts.h"

namespace qx::station {
namespace {

TEST(StationCommandLine, KeywordsAreSubstringsOfTheWholeLine) {
    struct Case {
        const char* line;
        bool autoExecute, quit, capture, single;
    };
    const Case cases[] = {
        {"/opt/fablane/fablane", false, false, false, false},
        {"fablane AutoExecute", true, false, false, false},
        {"fablane AutoExecuteQuit", true, true, false, false},
        {"fablane CaptureAppImage SingleExecuteResult", false, false, true, true},
        {"fablane --mode=NoAutoExecuteQuitPlease", true, true, false, false},   // inside a longer word
        {"fablane autoexecute", false, false, false, false},                    // letter case counts
        {"/srv/AutoExecute/fablane", true, false, false, false},                // the program's own path too
    };
    for (const Case& c : cases) {
        const CommandLineFlags f = ParseCommandLine(c.line);
        EXPECT_EQ(f.autoExecute, c.autoExecute) << c.line;
        EXPECT_EQ(f.autoExecuteQuit, c.quit) << c.line;
        EXPECT_EQ(f.captureAppImage, c.capture) << c.line;
        EXPECT_EQ(f.singleExecuteResult, c.single) << c.line;
    }
}

TEST(StationCommandLine, WholeLineJoinsTheArguments) {
    const char* argv[] = {"fablane", "AutoExecute", "Quit", nullptr};
    EXPECT_EQ(WholeCommandLine(3, argv), "fablane AutoExecute Quit");
    // Joined with a blank, two arguments never make a keyword of their own.
    EXPECT_FALSE(ParseCommandLine(WholeCommandLine(3, argv)).autoExecuteQuit);
    EXPECT_EQ(WholeCommandLine(0, argv), "");
}

TEST(StationCommandLine, InitFuncWordsAreWholeArguments) {
    const char* argv[] = {"fablane", "InitFunc10", "ClearInitFunc", "InitFunc3", "XInitFunc4", "InitFunc-1",
                          "InitFunc", "InitFunc5x", "ClearInitFuncs"};
    const InitFuncArgs args = ParseInitFuncArgs(9, argv);
    EXPECT_TRUE(args.clearAll);
    EXPECT_EQ(args.checkItems, (std::vector<int>{10, 3}));
    const char* program[] = {"/opt/InitFunc1"};
    EXPECT_TRUE(ParseInitFuncArgs(1, program).checkItems.empty()) << "the program itself is no argument";
}

TEST(StationStartTexts, CaptionAndTitle) {
    const CaptionTexts plain = ShowCaptionString(false, "SATA", "WO1", "", "2415");
    EXPECT_EQ(plain.caption, "Quorlix 849K SATA M.P. Tool A.2.03.107");
    EXPECT_EQ(plain.title, plain.caption);
    const CaptionTexts order = ShowCaptionString(true, "USB", "WO1", "PN2", "2415");
    EXPECT_EQ(order.caption, "Quorlix 849 USB M.P. Tool A.2.03.107 Worker Order: WO1 Part No: PN2 Week Code: 2415");
    EXPECT_EQ(order.title, "Quorlix 849 USB M.P. Tool A.2.03.107");
}

TEST(StationStartTexts, PortLimit) {
    EXPECT_FALSE(PortLimitMessage(50));
    EXPECT_FALSE(PortLimitMessage(0));
    EXPECT_EQ(PortLimitMessage(51), "Up to the limitation of total port number(50), Please remove the usb hub! (51)");
}

}  // namespace
}  // namespace qx::station
