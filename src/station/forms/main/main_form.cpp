#include "station/forms/main/main_form.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <span>
#include <filesystem>

#include "qxlib/base/build_variant.h"
#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/transport/device_slot.h"
#include "station/devices/device_event_watcher.h"
#include "station/devices/port_rescan.h"
#include "station/entry/operator_settings.h"
#include "station/entry/start_texts.h"
#include "station/entry/title_serial.h"
#include "station/images/gen_image.h"
#include "station/forms/detail_form.h"
#include "station/forms/engineering/access_handlers.h"
#include "station/forms/engineering/flash_detect_handler.h"
#include "station/forms/engineering/file_handlers.h"
#include "station/forms/engineering/flash_info_form.h"
#include "station/forms/engineering/pattern_form.h"
#include "station/forms/engineering/read_flash_form.h"
#include "station/forms/error_form.h"
#include "station/forms/form_text.h"
#include "station/forms/main/port_panel.h"
#include "station/forms/settings/settings_area.h"
#include "station/forms/workorder_form.h"
#include "station/panels/panel_grid.h"
#include "station/panels/style_layout.h"
#include "station/panels/yield_file.h"
#include "station/results/log_directory.h"
#include "station/run/production_hooks.h"
#include "station/run/run_start.h"
#include "station/run/timer_table.h"
#include "ui/window_capture.h"
#include "ui/prompter.h"

namespace qx::station {

TMainForm::TMainForm(MainFormEnv env, ui::Prompter& prompter, QWidget* parent)
    : QWidget(parent),
      env_(std::move(env)),
      prompter_(prompter),
      core_(env_.programFolder, prompter_) {
    setObjectName("MainForm");
    BuildLayout();
    resize(1192, 755);
    timers_ = std::make_unique<TimerTable>([this](int id) { OnTimer(id); });
    WireAccessControls(*area_, prompter_);
    WireFileControls(*area_, prompter_, tableFolders_);
    if (auto* gen = area_->findChild<QAbstractButton*>("GenImageBn"))
        connect(gen, &QAbstractButton::clicked, this, [this] {
            GenImage(prompter_, core_.Tables().ScannedActive(), env_.programFolder);
        });
    if (auto* detect = area_->findChild<QPushButton*>("FlashAutoDetectBtn"))
        connect(detect, &QPushButton::clicked, this, [this] { FlashAutoDetectClick(); });
    RegisterHiddenModeHotKeys(*this, [this](int id) { OnHotKey(id); });
    WireEngineeringTools();
    InstallWaitPanel();
    connect(area_, &SettingsArea::settingsLockRequested, this, [this] { ShowLoadedSettings(); });
    core_.Results().SetWindowCapture([this](const std::string& path) {
        return ui::CaptureWindowImage(path, [this] { return grab().toImage(); });
    });
}

TMainForm::~TMainForm() { ShutDown(); }

PortPanel* TMainForm::Panel(int port) const {
    if (port < 0 || port >= BuiltPanels()) return nullptr;
    return panels_[static_cast<std::size_t>(port)];
}

StartOutcome TMainForm::StartUp() {
    ShowCaptionString();
    autoTestTimer_->setInterval(1000);
    flags_ = ParseCommandLine(env_.arguments);
    core_.TakeCommandLine(flags_);
    windowState_.StartAllowed = 1;
    area_->CheckProgramImages();
    core_.DownloadFiles() = BinFileList{};
    settings_ = GlobalParameter{};
    try {
        if (area_->LoadIniFile(windowState_.IniPath) == 0) return StartOutcome::Aborted;
        if (settings_.EnCheckToolOnRemoteDisk && env_.hooks.programOnRemoteDisk && env_.hooks.programOnRemoteDisk())
            return StartOutcome::Aborted;
        if (env_.unattended) {
            // Before any drive is scanned: nothing of a round happens.
            const auto names = SettingsNeedingOperator(settings_, EnableWorkOrder.load() != 0);
            if (!names.empty()) {
                prompter_.Error(NeedsOperatorText(names));
                return StartOutcome::NeedsOperator;
            }
        }
        area_->CheckProgramImages();
        core_.MakeRescan(*this, *this).RescanPorts();
        if (const auto message = PortLimitMessage(core_.Tables().Count())) {
            prompter_.Error(*message);
            return StartOutcome::TooManyPorts;
        }
        ArmTimer(kRescanTimerId, kArrivalRescanDelayMs);
        BuildPortPanels();
        UpdateDrawPanel();
        area_->SetPortCount(core_.Tables().Count());
        waitPanel_->hide();
        core_.Results().SetLogDir(windowState_.LogDir);
        if (!settings_.EnWriteLogFileNameEnd) core_.Results().SelectProductionLogFile();
    } catch (const CannotCreateLogDirectory& e) {
        // The window never appears: the box is all the operator gets.
        prompter_.Error(e.what());
        return StartOutcome::Aborted;
    }
    ApplySettingsLock(LockCaller::Window);
    SeedRandomByTime();
    if (flags_.autoExecute) autoTestTimer_->start();

    core_.StartEngine(*this, *this).SetUnattended(env_.unattended);
    started_ = true;
    return StartOutcome::Ready;
}

void TMainForm::FormShow() {
    const std::string partList = env_.programFolder + settings_.ExtFlashFile;
    if (std::filesystem::exists(partList)) area_->Guarded([this] { area_->FlashInfoChange(); });
    ApplyInitFunc();
    area_->FunCheckListBoxClickCheck();
    if (EnableWorkOrder.load()) {
        TWorkorderForm form(prompter_, this);
        form.exec();
        const WorkOrderTexts& t = form.Texts();
        workOrder_ = t.number;
        partNo_ = t.partNumber;
        weekCode_ = t.weekCode;
        if (!WorkOrderComplete(t)) {
            QTimer::singleShot(0, this, [this] { close(); });
            return;
        }
        ShowCaptionString();
    }
    if (auto* list = area_->findChild<QListWidget*>("FunCheckListBox"); list && list->count() > 0)
        list->setCurrentRow(0);
    area_->SubPageControl();
    if (auto* pages = area_->findChild<QTabWidget*>("PageControl1"); pages && pages->count() > 7)
        pages->setTabVisible(7, false);
    for (const char* name : {"SataLBAModeGroupBox", "LPMCheckBox"})
        if (auto* w = area_->findChild<QWidget*>(name)) w->hide();
    if (!settings_.EnCRCLabel)
        if (auto* w = area_->findChild<QWidget*>("CRC32Label")) w->hide();
    stopButton_->show();
    batchPanel_->setVisible(EnBatchMode.load() != 0);
    ApplyRunLabels();
    FocusStart();
}

// "ClearInitFunc" and "InitFunc<n>" act on the list before its click handler
// takes the marks into the record.
void TMainForm::ApplyInitFunc() {
    auto* list = area_->findChild<QListWidget*>("FunCheckListBox");
    if (!list) return;
    if (env_.initFunc.clearAll)
        for (int row = 0; row < list->count(); ++row) list->item(row)->setCheckState(Qt::Unchecked);
    for (int n : env_.initFunc.checkItems)
        if (n >= 0 && n < list->count()) list->item(n)->setCheckState(Qt::Checked);
}

void TMainForm::ApplyRunLabels() {
    RunLabels labels;
    labels.workOrder = workOrder_;
    labels.partNo = partNo_;
    labels.weekCode = weekCode_;
    if (auto* list = area_->findChild<QListWidget*>("FunCheckListBox"))
        for (int row = 0; row < list->count(); ++row)
            labels.checkListItems.push_back(S(list->item(row)->text()));
    labels.singleExecuteResult = flags_.singleExecuteResult;
    labels.captureAppImage = flags_.captureAppImage;
    core_.Results().SetRunLabels(std::move(labels));
}

void TMainForm::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    autoTestTimer_->stop();
    if (!started_) return;   // an aborted start-up saves nothing
    // A worker still running: its watchdog goes, it is cancelled and its
    // thread joined before anything it uses is freed.
    for (int p = 0; p < PanelLoopCount(core_.Tables().Count()); ++p) timers_->Kill(p + 1);
    bool resultsLost = false;
    if (const RunStart* engine = core_.Engine()) {
        endOfRun_.needsOperator = engine->RoundNotRun();
        resultsLost = engine->ResultsLost();
    }
    core_.StopEngine();
    SaveLayout();
    area_->TryFormToGlobalParameter();
    area_->SaveIniFile(windowState_.IniPath);
    if (windowState_.IniPath.find(kSettingsFileName) == std::string::npos)
        area_->SaveIniFile(env_.programFolder + kSettingsFileName);
    SaveYieldOrTell();
    // After the saves: a settings file or yield counters not written count.
    endOfRun_.writes = core_.Failures();
    endOfRun_.writes.results = endOfRun_.writes.results || resultsLost;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Never from inside the engine's own handler: a close asked for during a
    // run comes again once the handler has returned.
    if (RunStart* engine = core_.Engine(); engine && engine->Busy()) {
        engine->StopClick();
        QTimer::singleShot(100, this, [this] { close(); });
        event->ignore();
        return;
    }
    ShutDown();
    event->accept();
}

void TMainForm::ShowCaptionString() {
    const CaptionTexts texts = station::ShowCaptionString(kSingleBankBuild, interfaceWord_, workOrder_, partNo_, weekCode_);
    setWindowTitle(Q(texts.caption));
    title_ = texts.title;
    QCoreApplication::setApplicationName(Q(texts.title));
}

// The settings lock of the access levels; a hook given by the program
// replaces it.
void TMainForm::ApplySettingsLock(LockCaller caller) {
    if (env_.hooks.applySettingsLock) {
        env_.hooks.applySettingsLock();
        return;
    }
    SpeedButton8Click(*area_, prompter_, caller, lockButton_);
}

void TMainForm::FlashAutoDetectClick() {
    if (!flashInfoForm_) flashInfoForm_ = std::make_unique<TFlashInfoFrom>(*area_, prompter_, this);
    const FlashDetectHooks hooks{core_.Rescan() ? core_.Rescan()->LastDeviceCount() : 0,
                                 [this] { RestoreAfterRun(); },
                                 [] { QCoreApplication::processEvents(); }, core_.Tables()};
    FlashAutoDetectBtnClick(*area_, prompter_, *flashInfoForm_, hooks);
}

void TMainForm::ShowYield() { yield_->setText(Q(YieldText(settings_))); }

void TMainForm::ExecuteBtnClick() {
    if (!core_.Engine()) return;
    ApplyRunLabels();
    core_.Engine()->ExecuteBtnClick();
}

void TMainForm::RefreshBtnClick() {
    core_.ClearBarcodePrompts();
    if (core_.Rescan()) core_.Rescan()->RefreshDevices();
    if (StartEnabled()) FocusStart();
}

void TMainForm::ResetYieldBtnClick() {
    if (!ResetYield(LogDir(), settings_)) TellYieldNotSaved();
    ShowYield();
}

void TMainForm::SaveYieldOrTell() {
    if (!SaveYield(LogDir(), settings_)) TellYieldNotSaved();
}

// The counters' file is replaced whole, so a failed save keeps the last
// counters written; the failure is a result that did not reach the disk.
void TMainForm::TellYieldNotSaved() {
    core_.Failures().results = true;
    prompter_.Error(kYieldWriteFailText + YieldFilePath(LogDir()));
}

void TMainForm::SafeRmBtnClick() {
    RunStart* engine = core_.Engine();
    if (!core_.Rescan() || !engine || engine->Busy()) return;
    for (int p = 0; p < PanelLoopCount(core_.Tables().Count()); ++p) engine->JoinPort(p);
    core_.Rescan()->SafeRmBtnClick();
}

void TMainForm::OnTimer(int id) {
    if (core_.Engine()) {
        core_.Engine()->OnTimer(id);
    } else if (id == kRescanTimerId) {
        KillTimer(id);
        if (core_.Rescan()) core_.Rescan()->RefreshDevices();
    }
}

bool TMainForm::PortBusy(int port) const {
    if (!core_.Engine()) return false;
    const WorkerState s = core_.Engine()->Controller().Workers()[port].State();
    return s == WorkerState::Running || s == WorkerState::Killed;
}

}  // namespace qx::station
