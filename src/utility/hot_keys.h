// The main window's four page hot keys: what each does on which page, and
// the once-a-second check that holds them only while the window is in front.
#pragma once

#include <string_view>

namespace qx::utility {

enum class HotKey { CtrlS, AltS, CtrlG, CtrlR };

// The button a hot key presses on the active page; empty when it does
// nothing there. A press acts only when the button is enabled, which is
// what keeps Ctrl+S off the SMART page until its report exists.
std::string_view HotKeyButton(int activePage, HotKey key);

inline constexpr int kAutoTimerMs = 1000;

// The hot keys' registered flag: set from the start, dropped while another
// window is in front, taken again when the main window is back.
class HotKeyGate {
public:
    bool Registered() const { return registered_; }
    // One timer tick; traces the change, if any. True when the state changed.
    bool Tick(bool windowInFront);

private:
    bool registered_ = true;
};

}  // namespace qx::utility
