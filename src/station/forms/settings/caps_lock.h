// Caps Lock off while bar codes are scanned in as key strokes.
#pragma once

namespace qx::station {

// Unlocks Caps Lock on the X11 display the program runs on; false when the
// program has no X11 display (offscreen, Wayland) and nothing was changed.
bool SwitchCapsLockOff();

}  // namespace qx::station
