// What the run engine and the device rescan ask of the station window.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "qxlib/discovery/port_record.h"
#include "station/forms/detail_form.h"
#include "station/forms/error_form.h"
#include "station/forms/form_text.h"
#include "station/forms/main/main_form.h"
#include "station/forms/main/port_panel.h"
#include "station/forms/main/round_controls.h"
#include "station/forms/port_button.h"
#include "station/forms/settings/settings_area.h"
#include "station/panels/panel_drawing.h"
#include "station/panels/panel_grid.h"
#include "station/panels/pass_capacity.h"
#include "station/panels/yield_file.h"
#include "station/run/run_start.h"
#include "station/run/timer_table.h"

namespace qx::station {

// --- StationView ------------------------------------------------------------

void TMainForm::LockForRun() {
    locked_ = true;
    area_->setEnabled(false);
    refreshBtn_->setEnabled(false);
    executeBtn_->setEnabled(false);
    closeBtn_->setEnabled(false);
    EnableEngineeringTools(false);
}

// START comes back with the rest: after a refused round the operator mends
// the settings and presses it again (a missing program image keeps it off).
void TMainForm::RestoreAfterRun() {
    locked_ = false;
    area_->setEnabled(true);
    refreshBtn_->setEnabled(true);
    closeBtn_->setEnabled(true);
    executeBtn_->setEnabled(StartAllowed());
    EnableEngineeringTools(true);
}

void TMainForm::SetStartEnabled(bool enabled) { executeBtn_->setEnabled(enabled); }
void TMainForm::SetRoundText(const std::string& text) { batchLabel_->setText(Q(text)); }

void TMainForm::SetBatchPanelColor(std::uint32_t bgr) {
    QPalette p = batchPanel_->palette();
    p.setColor(QPalette::Window, ColorFromBgr(bgr));
    batchPanel_->setPalette(p);
}

void TMainForm::SetElapsedText(const std::string& text) { elapsed_->setText(Q(text)); }

void TMainForm::SetWaitAnimation(bool running) {
    waitPanel_->setVisible(running);
    if (running) waitPanel_->raise();
}

void TMainForm::SetSafeRemoveColor(std::uint32_t bgr) {
    QPalette p = safeRmBtn_->palette();
    p.setColor(QPalette::ButtonText, ColorFromBgr(bgr));
    safeRmBtn_->setPalette(p);
}

void TMainForm::UpdateDrawPanel() {
    CapacityAfterPass capacity;
    if (settings_.EnShowCapacityAfterMPPass)
        capacity = [this](int port) { return CapacityAfterLeavingLoader(port, config_); };
    const std::vector<PanelDrawing> drawings =
        station::UpdateDrawPanel(core_.Tables().Active(), core_.Tables().Count(), BuiltPanels(), settings_, capacity);
    for (std::size_t p = 0; p < drawings.size() && p < panels_.size(); ++p) {
        const PanelDrawing& d = drawings[p];
        PortPanel* panel = panels_[p];
        panel->SetColor(d.color);
        panel->setVisible(d.visible);
        panel->ShowDetailsButton(d.visible);
        if (d.caption) panel->SetCaption(*d.caption);
        if (d.serialText) panel->SetSerial(*d.serialText);
        if (d.wwnText) panel->SetWwn(*d.wwnText);
        if (d.resetGauge) panel->SetGauge(0);
    }
    ShowYield();
}

void TMainForm::ArmTimer(int id, int ms) { timers_->Arm(id, ms); }
void TMainForm::KillTimer(int id) { timers_->Kill(id); }
RunControls TMainForm::ReadRunControls() { return ReadRunControlsOf(*area_); }
RoundControls TMainForm::ReadRoundControls() { return ReadRoundControlsOf(*area_); }

void TMainForm::FormToGlobalParameter() {
    area_->FormToGlobalParameter();
    state_.sataBinName = windowState_.Firmware.SataBinName;
    state_.usbBinName = windowState_.Firmware.UsbBinName;
    state_.binVariantCode = windowState_.Firmware.BinVariantCode;
    state_.specialMode = windowState_.SpecialMode;
}

void TMainForm::ChangeGlobalParameter() { area_->ChangeGlobalParameter(); }
void TMainForm::GlobalParameterToForm() { area_->GlobalParameterToForm(); }
void TMainForm::SaveSettings() { area_->SaveIniFile(windowState_.IniPath); }

void TMainForm::ShowSerialCounters(const std::string& serial, const std::string& uid) {
    if (auto* e = area_->findChild<QLineEdit*>("SerialNumEdit")) e->setText(Q(serial));
    if (auto* e = area_->findChild<QLineEdit*>("UIDLEdit")) e->setText(Q(uid));
}

bool TMainForm::StartEnabled() { return executeBtn_->isEnabled() && !executeBtn_->isHidden(); }

void TMainForm::FocusStart() {
    if (StartEnabled()) executeBtn_->setFocus();
}

void TMainForm::SetAutoStartTimer(bool enabled) {
    if (enabled)
        autoTestTimer_->start();
    else
        autoTestTimer_->stop();
}

void TMainForm::CloseWindow() {
    QTimer::singleShot(0, this, [this] { close(); });
}

void TMainForm::QuitApplication() {
    // Ends once the handler has returned: the window closes (saving as at
    // every close), and the last window closed ends the loop.
    QTimer::singleShot(0, this, [this] {
        close();
        QCoreApplication::quit();
    });
}

// --- PortView -----------------------------------------------------------------

void TMainForm::SetCaption(int port, const std::string& text, std::uint32_t bgr) {
    if (PortPanel* panel = Panel(port)) {
        panel->SetCaption(text);
        panel->SetColor(bgr);
    }
}

void TMainForm::SetGauge(int port, int which, int percent) {
    PortPanel* panel = Panel(port);
    if (!panel) return;
    if (which == kRwGauge)
        panel->SetRwGauge(100, static_cast<std::uint32_t>(std::max(percent, 0)), 0x800080);
    else
        panel->SetGauge(percent);
}

void TMainForm::SetCycleText(int port, const std::string& text) {
    if (PortPanel* panel = Panel(port)) panel->SetCycleText(text);
}

void TMainForm::SetSerialText(int port, const std::string& serial) {
    if (PortPanel* panel = Panel(port)) panel->SetSerial(serial);
}

void TMainForm::SetWwnText(int port, const std::string& wwn) {
    if (PortPanel* panel = Panel(port)) panel->SetWwn(wwn);
}

void TMainForm::ShowRwProgress(int port, bool shown) {
    if (PortPanel* panel = Panel(port)) panel->ShowRwProgress(shown);
}

void TMainForm::SetRwGauge(int port, std::uint32_t maximum, std::uint32_t position, std::uint32_t bgr) {
    if (PortPanel* panel = Panel(port)) panel->SetRwGauge(maximum, position, bgr);
}

// --- RescanWindow -------------------------------------------------------------

bool TMainForm::Busy() const { return core_.Engine() && core_.Engine()->Busy(); }

// The Auto Detect button is disabled itself while its detection runs (a
// locked page or a run only disables the button's parents).
bool TMainForm::FlashAutoDetectRunning() const {
    if (env_.hooks.flashAutoDetectRunning) return env_.hooks.flashAutoDetectRunning();
    const auto* detect = area_->findChild<QPushButton*>("FlashAutoDetectBtn");
    return detect && detect->testAttribute(Qt::WA_ForceDisabled);
}

void TMainForm::SetInterfaceWord(const std::string& word) {
    interfaceWord_ = word;
    ShowCaptionString();
}

void TMainForm::ClearPortTexts(int port) {
    if (PortPanel* panel = Panel(port)) {
        panel->SetCaption("");
        panel->SetSerial("");
        panel->SetWwn("");
    }
}

void TMainForm::StartAutoExecute() {
    flags_.autoExecute = true;
    state_.autoExecute = true;
    autoTestTimer_->start();
}

// --- "?" ------------------------------------------------------------------------

void TMainForm::MyBitBtnClick(int port) {
    selectedPort_ = port + 1;   // the flash page viewer reads this port's drive
    if (!errorForm_) errorForm_ = std::make_unique<TErrorForm>(this, core_.Tables());
    if (!detailForm_) detailForm_ = std::make_unique<TDetailForm>(this);
    PortButtonForms forms{*errorForm_, *detailForm_, prompter_, config_, env_.programFolder, core_.Tables()};
    station::MyBitBtnClick(port, [this](int p) { return PortBusy(p); }, forms);
}

}  // namespace qx::station
