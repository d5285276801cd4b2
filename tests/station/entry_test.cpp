#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/entry/command_line.h"
#include "station/entry/start_texts.h"

namespace qx::station {
namespace {

TEST(StationCommandLine, WordsCountOnlyAsWholeArguments) {
    struct Case {
        std::vector<const char*> argv;   // the program first
        bool autoExecute, quit, capture, single;
    };
    const Case cases[] = {
        {{"/opt/fablane/fablane"}, false, false, false, false},
        {{"fablane", "AutoExecute"}, true, false, false, false},
        {{"fablane", "AutoExecuteQuit"}, true, true, false, false},   // both flags
        {{"fablane", "CaptureAppImage", "SingleExecuteResult"}, false, false, true, true},
        {{"fablane", "SingleExecuteResult", "AutoExecute", "CaptureAppImage"}, true, false, true, true},
        {{"fablane", "--mode=NoAutoExecuteQuitPlease"}, false, false, false, false},   // inside a longer word
        {{"fablane", "AutoExecuteQuit_old"}, false, false, false, false},
        {{"fablane", "autoexecute"}, false, false, false, false},                      // letter case counts
        {{"fablane", " AutoExecute"}, false, false, false, false},                     // spelt exactly
        {{"/srv/AutoExecuteQuit_old/fablane"}, false, false, false, false},            // the program's own path
        {{"/srv/AutoExecute/fablane", "CaptureAppImage"}, false, false, true, false},
        {{"AutoExecuteQuit"}, false, false, false, false},                             // argv[0] is never a word
        {{"fablane", "AutoExecute", "Quit"}, true, false, false, false},               // two arguments stay two
    };
    for (const Case& c : cases) {
        const std::string shown = [&] {
            std::string s;
            for (const char* a : c.argv) s += std::string(s.empty() ? "" : " | ") + a;
            return s;
        }();
        const CommandLineFlags f =
            ParseCommandLine(CommandArguments(static_cast<int>(c.argv.size()), c.argv.data()));
        EXPECT_EQ(f.autoExecute, c.autoExecute) << shown;
        EXPECT_EQ(f.autoExecuteQuit, c.quit) << shown;
        EXPECT_EQ(f.captureAppImage, c.capture) << shown;
        EXPECT_EQ(f.singleExecuteResult, c.single) << shown;
    }
}

TEST(StationCommandLine, ArgumentsLeaveOutTheProgramAndMissingEntries) {
    const char* argv[] = {"/srv/AutoExecuteQuit_old/fablane", "AutoExecute", nullptr, "Quit"};
    EXPECT_EQ(CommandArguments(4, argv), (std::vector<std::string>{"AutoExecute", "Quit"}));
    EXPECT_TRUE(CommandArguments(1, argv).empty());
    EXPECT_TRUE(CommandArguments(0, argv).empty());
}

TEST(StationCommandLine, InitFuncWordsAreWholeArguments) {
    const char* argv[] = {"fablane", "InitFunc10", "ClearInitFunc", "InitFunc3", "XInitFunc4", "InitFunc-1",
                          "InitFunc", "InitFunc5x", "ClearInitFuncs"};
    const InitFuncArgs args = ParseInitFuncArgs(CommandArguments(9, argv));
    EXPECT_TRUE(args.clearAll);
    EXPECT_EQ(args.checkItems, (std::vector<int>{10, 3}));
    const char* program[] = {"/opt/InitFunc1"};
    EXPECT_TRUE(ParseInitFuncArgs(CommandArguments(1, program)).checkItems.empty()) << "the program itself is no argument";
    const char* clear[] = {"/opt/ClearInitFunc/fablane"};
    EXPECT_FALSE(ParseInitFuncArgs(CommandArguments(1, clear)).clearAll);
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
