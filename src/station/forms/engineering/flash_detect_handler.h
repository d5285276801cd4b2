// The "Auto Detect" button of the "Flash Setting" page (also reached from the
// password-protected toolbar button): detects on the first connected drive,
// applies the report to the flash page and shows the result dialog.
#pragma once

#include <functional>

#include "station/ports/port_tables.h"

namespace qx::ui {
class Prompter;
}

namespace qx::station {

class SettingsArea;
class TFlashInfoFrom;

struct FlashDetectHooks {
    int LastDeviceCount = 0;                       // from the last device refresh
    std::function<void()> MakeWindowUsable;        // Busy cleared, the run controls enabled
    std::function<void()> ProcessEvents;           // let the window catch up before the dialog
    const PortTableHandle& Tables;                 // whose first connected port is read
};

void FlashAutoDetectBtnClick(SettingsArea& area, ui::Prompter& prompter, TFlashInfoFrom& dialog,
                             const FlashDetectHooks& hooks);

}  // namespace qx::station
