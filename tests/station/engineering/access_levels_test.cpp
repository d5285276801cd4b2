#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/trace_sink.h"
#include "qxlib/base/switches.h"
#include "qxlib/settings/global_parameter.h"
#include "station/engineering/access_levels.h"
#include "station/settings/settings_window_state.h"
#include "ui/scripted_prompter.h"

namespace qx::station {
namespace {

using ui::BoxAnswer;

enum class Typed { Right, Wrong, Cancel };

struct LockCase {
    bool unlocked;
    LockCaller caller;
    Typed typed;
    LockOutcome outcome;
    bool unlockedAfter;
    bool asked;
};

TEST(AccessLevels, LockMatrix) {
    const std::vector<LockCase> cases = {
        {true, LockCaller::Window, Typed::Right, LockOutcome::EnablePagesOnly, true, false},
        {true, LockCaller::Window, Typed::Wrong, LockOutcome::EnablePagesOnly, true, false},
        {true, LockCaller::Window, Typed::Cancel, LockOutcome::EnablePagesOnly, true, false},
        {true, LockCaller::Button, Typed::Right, LockOutcome::Locked, false, false},
        {true, LockCaller::Button, Typed::Wrong, LockOutcome::Locked, false, false},
        {true, LockCaller::Button, Typed::Cancel, LockOutcome::Locked, false, false},
        {false, LockCaller::Window, Typed::Right, LockOutcome::Locked, false, false},
        {false, LockCaller::Window, Typed::Wrong, LockOutcome::Locked, false, false},
        {false, LockCaller::Window, Typed::Cancel, LockOutcome::Locked, false, false},
        {false, LockCaller::Button, Typed::Right, LockOutcome::Unlocked, true, true},
        {false, LockCaller::Button, Typed::Wrong, LockOutcome::StaysLocked, false, true},
        {false, LockCaller::Button, Typed::Cancel, LockOutcome::StaysLocked, false, true},
    };
    for (const LockCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.unlocked) + " caller " + std::to_string(static_cast<int>(c.caller)) +
                     " typed " + std::to_string(static_cast<int>(c.typed)));
        SettingsWindowState w;
        w.SettingsUnlocked = c.unlocked;
        ui::ScriptedPrompter p;
        if (c.typed == Typed::Right) p.Answer(std::optional<std::string>("velpask"));
        if (c.typed == Typed::Wrong) p.Answer(std::optional<std::string>("Velpask"));
        if (c.typed == Typed::Cancel) p.Answer(std::optional<std::string>());
        EXPECT_EQ(SettingsLockClick(w, c.caller, p), c.outcome);
        EXPECT_EQ(w.SettingsUnlocked != 0, c.unlockedAfter);
        const auto records = p.Records();
        ASSERT_EQ(records.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(records[0].kind, ui::PromptKind::Input);
            EXPECT_EQ(records[0].input.caption, "Please Input the Password");
            EXPECT_EQ(records[0].input.prompt, "Password");
            EXPECT_EQ(records[0].input.initial, "");
            EXPECT_TRUE(records[0].input.password);
        }
    }
}

TEST(AccessLevels, HiddenAutoDetectGateSaysPasswordFailOnlyOnAWrongText) {
    ui::ScriptedPrompter p;
    p.Answer(std::optional<std::string>("velpask"));
    EXPECT_TRUE(HiddenAutoDetectAllowed(p));
    p.Answer(std::optional<std::string>("velpask "));
    EXPECT_FALSE(HiddenAutoDetectAllowed(p));
    p.Answer(std::optional<std::string>());
    EXPECT_FALSE(HiddenAutoDetectAllowed(p));
    const auto texts = p.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Password Fail!"), 2);
}

struct HotKeyCase {
    std::vector<int> keys;
    std::vector<std::string> traces;
    int finalState;
};

TEST(AccessLevels, HotKeySequences) {
    const std::vector<HotKeyCase> cases = {
        {{4096, 4097, 4098}, {"######### - 1", "######### - 3", "######### - 7"}, 7},
        {{4096, 4096, 4097, 4098}, {"######### - 1", "######### - 0", "######### - 0", "######### - 0"}, 0},
        // Out of order starts over: the third key does not count as a new first.
        {{4096, 4097, 4096, 4097, 4098},
         {"######### - 1", "######### - 3", "######### - 0", "######### - 0", "######### - 0"},
         0},
        {{4096, 1234, 4097, 4098}, {"######### - 1", "######### - 3", "######### - 7"}, 7},
        {{4096, 4097, 4098, 4096, 4097}, {"######### - 1", "######### - 3", "######### - 7"}, 7},
        {{4098, 4097}, {"######### - 0", "######### - 0"}, 0},
    };
    for (const HotKeyCase& c : cases) {
        std::vector<std::string> traces;
        platform::SetTraceSink([&](std::string_view t) { traces.emplace_back(t); });
        SettingsWindowState w;
        int entered = 0;
        for (int key : c.keys) entered += AdvanceHotKeyState(w, key) ? 1 : 0;
        platform::SetTraceSink({});
        EXPECT_EQ(w.HotKeyState, c.finalState);
        EXPECT_EQ(entered, c.finalState == 7 ? 1 : 0);
        EXPECT_EQ(traces, c.traces);
    }
}

TEST(AccessLevels, SpecialModeAsksEachTimeAndSetsItsFlags) {
    const bool savedDump = DumpDebugFile;
    SettingsWindowState w;
    GlobalParameter s{};
    ui::ScriptedPrompter p;
    p.Answer(BoxAnswer::Ok);   // "Enter Special mode"
    p.Answer(BoxAnswer::Ok);
    EnterSpecialModeSettings(w, s, p);
    EXPECT_TRUE(w.SpecialMode);
    EXPECT_TRUE(w.UseDefaultFirmwareName);
    EXPECT_EQ(s.EnableGetPutTable, 1);
    EXPECT_TRUE(DumpDebugFile);
    p.Answer(BoxAnswer::Ok);
    p.Answer(BoxAnswer::Cancel);
    EnterSpecialModeSettings(w, s, p);
    EXPECT_TRUE(w.UseDefaultFirmwareName) << "Cancel leaves the choice as it was";
    const auto records = p.Records();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].text, "Enter Special mode");
    EXPECT_EQ(records[1].caption, "Warning");
    EXPECT_EQ(records[1].text,
              "Are you change the file name of system firmware to default file name.(SYS_S.bin)");
    EXPECT_EQ(records[1].buttons, ui::BoxButtons::OkCancel);
    EXPECT_EQ(records[3].text, records[1].text);
    DumpDebugFile = savedDump;
}

}  // namespace
}  // namespace qx::station
