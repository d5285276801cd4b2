#include "station/engineering/access_levels.h"

#include <array>

#include "qxlib/base/debug_print.h"
#include "qxlib/base/switches.h"
#include "qxlib/settings/global_parameter.h"
#include "station/settings/settings_window_state.h"
#include "ui/prompter.h"

namespace qx::station {

bool AskSettingsPassword(ui::Prompter& prompter) {
    ui::InputRequest request;
    request.caption = "Please Input the Password";
    request.prompt = "Password";
    request.password = true;
    const auto typed = prompter.Input(request);
    return typed && *typed == kSettingsPassword;
}

LockOutcome SettingsLockClick(SettingsWindowState& window, LockCaller caller, ui::Prompter& prompter) {
    const bool unlocked = window.SettingsUnlocked != 0;
    if (unlocked && caller == LockCaller::Window) return LockOutcome::EnablePagesOnly;
    if (!unlocked && caller == LockCaller::Button) {
        if (!AskSettingsPassword(prompter)) return LockOutcome::StaysLocked;
        window.SettingsUnlocked = 1;
        return LockOutcome::Unlocked;
    }
    window.SettingsUnlocked = 0;
    return LockOutcome::Locked;
}

bool HiddenAutoDetectAllowed(ui::Prompter& prompter) {
    if (AskSettingsPassword(prompter)) return true;
    prompter.Message("Password Fail!");
    return false;
}

namespace {

// Rows: the states 0, 1, 3 on the way; columns: the three keys in order.
// A key out of order starts the sequence over.
struct HotKeyRow {
    int State;
    std::array<int, 3> Next;
};
constexpr std::array<HotKeyRow, 3> kHotKeyTable{{
    {0, {1, 0, 0}},
    {1, {0, 3, 0}},
    {3, {0, 0, kHiddenModeState}},
}};

}  // namespace

int NextHotKeyState(int state, int hotKeyId) {
    if (hotKeyId < kHotKeyFirst || hotKeyId > kHotKeyThird) return state;
    for (const HotKeyRow& row : kHotKeyTable)
        if (row.State == state) return row.Next[static_cast<std::size_t>(hotKeyId - kHotKeyFirst)];
    return state;  // the final state (or one never reached) stays
}

bool AdvanceHotKeyState(SettingsWindowState& window, int hotKeyId) {
    if (window.HotKeyState == kHiddenModeState) return false;
    if (hotKeyId < kHotKeyFirst || hotKeyId > kHotKeyThird) return false;
    window.HotKeyState = NextHotKeyState(window.HotKeyState, hotKeyId);
    DebugPrint("######### - %d", window.HotKeyState);
    return window.HotKeyState == kHiddenModeState;
}

void EnterSpecialModeSettings(SettingsWindowState& window, GlobalParameter& settings, ui::Prompter& prompter) {
    prompter.Message("Enter Special mode");
    const ui::BoxAnswer answer =
        prompter.Box({"Warning", "Are you change the file name of system firmware to default file name.(SYS_S.bin)",
                      ui::BoxIcon::Warning, ui::BoxButtons::OkCancel});
    if (answer == ui::BoxAnswer::Ok) window.UseDefaultFirmwareName = true;
    window.SpecialMode = true;
    settings.EnableGetPutTable = 1;
    DumpDebugFile = true;
}

}  // namespace qx::station
