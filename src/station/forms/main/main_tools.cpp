// The station window's parts that sit beside the run: the two engineering
// tool-bar buttons and their dialogs, the wait panel's picture, and what a
// settings file loaded from "Load INI" changes on the screen.
#include <QBoxLayout>
#include <QLineEdit>
#include <QToolButton>

#include "qxlib/settings/settings_switches.h"
#include "station/forms/engineering/access_handlers.h"
#include "station/forms/engineering/pattern_form.h"
#include "station/forms/engineering/read_flash_form.h"
#include "station/forms/main/main_form.h"
#include "station/forms/main/wait_bar.h"
#include "station/forms/settings/settings_area.h"

namespace qx::station {
namespace {

constexpr const char* kEngineeringButtons[] = {"SpeedButton7", "SpeedButton3"};   // "RDT", "Flash Pages"

}  // namespace

// "RDT" and "Flash Pages" are for the engineer: they appear with the hidden
// mode. Without dialogs of the program's own, the window's are used.
void TMainForm::WireEngineeringTools() {
    if (!env_.hooks.openRdtTasks) env_.hooks.openRdtTasks = [this] { OpenRdtTasks(); };
    if (!env_.hooks.openFlashPages) env_.hooks.openFlashPages = [this] { OpenFlashPages(); };
    ShowEngineeringTools(false);
}

void TMainForm::ShowEngineeringTools(bool shown) {
    for (const char* name : kEngineeringButtons)
        if (auto* button = findChild<QToolButton*>(name)) button->setVisible(shown);
}

// Neither dialog may act while a run uses the drives.
void TMainForm::EnableEngineeringTools(bool enabled) {
    for (const char* name : kEngineeringButtons)
        if (auto* button = findChild<QToolButton*>(name)) button->setEnabled(enabled);
}

void TMainForm::OnHotKey(int id) {
    WMHotKey(*area_, prompter_, id);
    if (windowState_.HotKeyState == kHiddenModeState) ShowEngineeringTools(true);
}

// Both dialogs are made once and kept, with what they hold, for the life of
// the window.
void TMainForm::OpenRdtTasks() {
    if (!patternForm_) patternForm_ = std::make_unique<TPatternForm>(rdtTasks_, env_.programFolder, prompter_, this);
    patternForm_->exec();
}

void TMainForm::OpenFlashPages() {
    if (!readFlashForm_)
        readFlashForm_ = std::make_unique<TReadFlashForm>(
            ReadFlashContext{config_, settings_, [this] { return selectedPort_; }, env_.programFolder, core_.Tables()}, prompter_, this);
    readFlashForm_->exec();
}

// The bottom row's wait panel becomes the sliding picture.
void TMainForm::InstallWaitPanel() {
    QWidget* row = waitPanel_->parentWidget();
    QWidget* panel = MakeWaitPanel(row);
    if (QLayout* layout = row->layout()) delete layout->replaceWidget(waitPanel_, panel);
    delete waitPanel_;
    waitPanel_ = panel;
    waitPanel_->hide();
}

// A load from "Load INI" brings its yield counters and batch mode with it.
void TMainForm::ShowLoadedSettings() {
    ShowYield();
    batchPanel_->setVisible(EnBatchMode.load() != 0);
}

}  // namespace qx::station
