// The station window's access levels: the password lock of the setting pages,
// special mode, and the hidden mode reached by three hot keys in order. What
// is decided here needs no widget; the window applies the outcome.
#pragma once

#include <cstdint>

namespace qx {
struct GlobalParameter;
}
namespace qx::ui {
class Prompter;
}

namespace qx::station {

struct SettingsWindowState;

inline constexpr char kSettingsPassword[] = "velpask";

// Asks for the password with hidden echo; true only for the exact text.
bool AskSettingsPassword(ui::Prompter& prompter);

// Who called the settings lock: the toolbar button, or the window applying
// the lock state after a settings load.
enum class LockCaller { Button, Window };

enum class LockOutcome {
    EnablePagesOnly,  // unlocked, applied by the window: the pages are enabled
    Unlocked,         // the right password: pages and "Save INI" enabled
    StaysLocked,      // wrong password or Cancel
    Locked,           // pages and "Save INI" disabled
};

// Decides and records (SettingsUnlocked) what a call of the settings lock does.
LockOutcome SettingsLockClick(SettingsWindowState& window, LockCaller caller, ui::Prompter& prompter);

// The hidden auto-detect button: true when the password is right, otherwise
// "Password Fail!" was shown.
bool HiddenAutoDetectAllowed(ui::Prompter& prompter);

// Hot-key identifiers of the hidden-mode sequence, in their order.
inline constexpr int kHotKeyFirst = 4096;
inline constexpr int kHotKeySecond = 4097;
inline constexpr int kHotKeyThird = 4098;
inline constexpr int kHiddenModeState = 7;

// The next sequence state for a hot key; an identifier outside the three
// leaves the state as it is, and the final state never moves.
int NextHotKeyState(int state, int hotKeyId);

// Advances HotKeyState and traces each transition; true exactly when this key
// entered the hidden mode.
bool AdvanceHotKeyState(SettingsWindowState& window, int hotKeyId);

// The settings side of special mode: "Enter Special mode", the question about
// the default firmware name, then SpecialMode, EnableGetPutTable and
// DumpDebugFile set. Asked again on every entry.
void EnterSpecialModeSettings(SettingsWindowState& window, GlobalParameter& settings, ui::Prompter& prompter);

}  // namespace qx::station
