// The main window's access-level handlers, acting on the settings area it
// embeds. The main window connects its toolbar buttons and hot keys to them;
// WireAccessControls connects the controls inside the settings area.
#pragma once

#include <QtCore/qnamespace.h>

#include <functional>

#include "station/engineering/access_levels.h"

class QAbstractButton;
class QWidget;

namespace qx::ui {
class Prompter;
}

namespace qx::station {

class SettingsArea;

// SpeedButton8: LockCaller::Button on its click; LockCaller::Window from the
// constructor and after a settings load (SettingsArea::settingsLockRequested).
// speedButton8 (may be null) is shown pressed while the pages are locked.
void SpeedButton8Click(SettingsArea& area, ui::Prompter& prompter, LockCaller caller, QAbstractButton* speedButton8);

// SpeedButton6 (never shown): the password, then the flash auto-detect.
void SpeedButton6Click(ui::Prompter& prompter, const std::function<void()>& flashAutoDetect);

// Mouse-down on SpecialTipShape or Shape1; only with Ctrl held.
void SpecialTipShapeMouseDown(SettingsArea& area, ui::Prompter& prompter, Qt::KeyboardModifiers modifiers);

// The hot keys 4096 to 4098.
void WMHotKey(SettingsArea& area, ui::Prompter& prompter, int hotKeyId);

// Click on Label27 of the DRAM page; only with Ctrl held.
void Label27Click(SettingsArea& area, Qt::KeyboardModifiers modifiers);

// Ctrl+G, Ctrl+J and Ctrl+K (keys no edit uses) as application-wide
// shortcuts of window with the identifiers 4096, 4097 and 4098.
void RegisterHiddenModeHotKeys(QWidget& window, const std::function<void(int)>& onHotKey);

// Connects the two invisible squares and Label27 of the settings area.
void WireAccessControls(SettingsArea& area, ui::Prompter& prompter);

}  // namespace qx::station
