#include "station/forms/settings/caps_lock.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace qx::station {

bool SwitchCapsLockOff() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return false;
    // Unlocking the lock modifier is what a Caps Lock press does when it is on,
    // and nothing when it is off.
    const Bool done = XkbLockModifiers(display, XkbUseCoreKbd, LockMask, 0);
    XFlush(display);
    return done == True;
}

}  // namespace qx::station
