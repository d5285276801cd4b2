// Start-up and tool-bar steps of the station window whose own dialogs are
// not part of the window: each is a hook, and an empty hook passes through
// (the step does nothing and start-up goes on).
#pragma once

#include <functional>

namespace qx::station {

struct MainFormHooks {
    // Replaces the access levels' settings lock (SpeedButton8) when given.
    std::function<void()> applySettingsLock;
    // Asked only while [Setting] EnCheckToolOnRemoteDisk is set: true when the
    // program runs from a network file system, and start-up then ends without
    // a window (the program gives OnNetworkFileSystem of its folder).
    std::function<bool()> programOnRemoteDisk;
    // Flash auto-detect: while it runs device changes wait.
    std::function<bool()> flashAutoDetectRunning;
    // Tool-bar dialogs: the RDT task settings and the flash page viewer.
    std::function<void()> openRdtTasks;
    std::function<void()> openFlashPages;
};

}  // namespace qx::station
