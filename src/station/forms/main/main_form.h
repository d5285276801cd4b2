// The station's main window: the settings area on top, the port panels in
// the scroll box, the tool bar, the run controls and the status bar. It is
// the run engine's StationView, PortView and RescanWindow; every call of
// those arrives on the window thread (workers post queued calls).
#pragma once

#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "station/core/station_core.h"
#include "station/engineering/access_levels.h"
#include "station/engineering/rdt_task_settings.h"
#include "station/engineering/table_files.h"
#include "station/entry/command_line.h"
#include "station/entry/unattended_exit.h"
#include "station/forms/main/main_hooks.h"
#include "station/views/port_view.h"
#include "station/views/rescan_window.h"
#include "station/views/station_view.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTimer;
class QToolButton;

namespace qx::ui {
class Prompter;
}

namespace qx::station {

class PortPanel;
class PortRescan;
class RunStart;
class SettingsArea;
class TDetailForm;
class TErrorForm;
class TFlashInfoFrom;
class TPatternForm;
class TReadFlashForm;
class TimerTable;

struct MainFormEnv {
    std::string programFolder;   // ends with a separator
    std::vector<std::string> arguments;   // after the program path, for its words
    InitFuncArgs initFunc;       // "ClearInitFunc" / "InitFunc<n>" arguments
    // Nobody can answer a prompt (no display): settings that need an
    // operator end start-up, and a round that stops on a message ends a run
    // that was to quit by itself.
    bool unattended = false;
    MainFormHooks hooks;
};

// How start-up ended.
enum class StartOutcome {
    Ready,          // show the window
    Aborted,        // settings or log folder failed: no window, nothing saved
    TooManyPorts,   // more than 50 ports: message shown, exit code 1
    NeedsOperator,  // unattended, and a setting needs a person: line shown, no round
};

inline constexpr char kInstanceName[] = "QXMP";

class TMainForm final : public QWidget, public StationView, public PortView, public RescanWindow {
    Q_OBJECT
public:
    TMainForm(MainFormEnv env, ui::Prompter& prompter, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The start-up sequence; the window is shown only after Ready.
    StartOutcome StartUp();
    // What the first showing does (title result, work order, pages).
    void FormShow();
    // The shut-down: stops the run, saves layout, settings and yield.
    // Runs once; nothing is saved after an aborted start-up.
    void ShutDown();

    // --- Buttons -----------------------------------------------------------
    void ExecuteBtnClick();
    void RefreshBtnClick();
    void ResetYieldBtnClick();
    void ResetLayoutClick();
    void SafeRmBtnClick();
    void MyBitBtnClick(int port);

    // --- What tests and the program read -----------------------------------
    const CommandLineFlags& Flags() const { return flags_; }
    int BuiltPanels() const { return static_cast<int>(panels_.size()); }
    PortPanel* Panel(int port) const;
    GlobalParameter& Settings() { return settings_; }
    SettingsWindowState& WindowState() { return windowState_; }
    SettingsArea& Area() { return *area_; }
    StationResults& Results() { return core_.Results(); }
    RunStart* Engine() { return core_.Engine(); }
    StationCore& Core() { return core_; }
    std::string ApplicationTitle() const { return title_; }
    // What a run that quits by itself tells its script, complete once
    // ShutDown has saved everything.
    const UnattendedEnd& EndOfRun() const { return endOfRun_; }

    // --- StationView --------------------------------------------------------
    void LockForRun() override;
    void RestoreAfterRun() override;
    void SetStartEnabled(bool enabled) override;
    void SetRoundText(const std::string& text) override;
    void SetBatchPanelColor(std::uint32_t bgr) override;
    void SetElapsedText(const std::string& text) override;
    void SetWaitAnimation(bool running) override;
    void SetSafeRemoveColor(std::uint32_t bgr) override;
    void UpdateDrawPanel() override;
    void ArmTimer(int id, int ms) override;
    void KillTimer(int id) override;
    RunControls ReadRunControls() override;
    RoundControls ReadRoundControls() override;
    void FormToGlobalParameter() override;
    void ChangeGlobalParameter() override;
    void GlobalParameterToForm() override;
    void SaveSettings() override;
    void ShowSerialCounters(const std::string& serial, const std::string& uid) override;
    bool StartEnabled() override;
    void FocusStart() override;
    void SetAutoStartTimer(bool enabled) override;
    void CloseWindow() override;
    void QuitApplication() override;

    // --- PortView -----------------------------------------------------------
    void SetCaption(int port, const std::string& text, std::uint32_t bgr) override;
    void SetGauge(int port, int which, int percent) override;
    void SetCycleText(int port, const std::string& text) override;
    void SetSerialText(int port, const std::string& serial) override;
    void SetWwnText(int port, const std::string& wwn) override;
    void ShowRwProgress(int port, bool shown) override;
    void SetRwGauge(int port, std::uint32_t maximum, std::uint32_t position, std::uint32_t bgr) override;

    // --- RescanWindow -------------------------------------------------------
    bool Busy() const override;
    bool StartAllowed() const override { return windowState_.StartAllowed != 0; }
    bool FlashAutoDetectRunning() const override;
    void SetInterfaceWord(const std::string& word) override;
    void ClearPortTexts(int port) override;
    void StartAutoExecute() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildLayout();
    QWidget* BuildToolBar();
    QWidget* BuildBottomPanel();
    void BuildPortPanels();
    void ShowCaptionString();
    void ApplySettingsLock(LockCaller caller);
    void FlashAutoDetectClick();
    void ShowYield();
    void SaveLayout();
    void SaveYieldOrTell();
    void TellYieldNotSaved();
    void ApplyInitFunc();
    void ApplyRunLabels();
    void OnTimer(int id);
    bool PortBusy(int port) const;
    std::string LogDir() const { return windowState_.LogDir; }
    // The engineering tool bar, the wait panel and "Load INI" (main_tools.cpp).
    void WireEngineeringTools();
    void ShowEngineeringTools(bool shown);
    void EnableEngineeringTools(bool enabled);
    void OnHotKey(int id);
    void OpenRdtTasks();
    void OpenFlashPages();
    void InstallWaitPanel();
    void ShowLoadedSettings();

    MainFormEnv env_;
    ui::Prompter& prompter_;
    CommandLineFlags flags_;

    // The station itself; the window shows it and wires its controls to it.
    StationCore core_;
    // Short names for the parts of the core the window's handlers use most.
    GlobalParameter& settings_ = core_.Settings();
    FlashConfig& config_ = core_.Config();
    FlashPartList& parts_ = core_.Parts();
    SettingsWindowState& windowState_ = core_.WindowState();
    StationState& state_ = core_.State();
    std::string interfaceWord_ = "SATA";
    std::string workOrder_, partNo_, weekCode_;
    std::string title_;

    SettingsArea* area_ = nullptr;
    QScrollArea* scrollBox_ = nullptr;
    QWidget* panelHost_ = nullptr;
    QToolButton* pinButton_ = nullptr;
    QToolButton* stopButton_ = nullptr;
    QToolButton* lockButton_ = nullptr;
    QPushButton* refreshBtn_ = nullptr;
    QPushButton* executeBtn_ = nullptr;
    QPushButton* safeRmBtn_ = nullptr;
    QPushButton* closeBtn_ = nullptr;
    QWidget* waitPanel_ = nullptr;
    QLineEdit* elapsed_ = nullptr;
    QLineEdit* yield_ = nullptr;
    QWidget* batchPanel_ = nullptr;
    QLabel* batchLabel_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    std::array<QLabel*, 4> statusPanels_{};
    QTimer* autoTestTimer_ = nullptr;
    std::vector<PortPanel*> panels_;
    std::unique_ptr<TErrorForm> errorForm_;
    std::unique_ptr<TDetailForm> detailForm_;
    std::unique_ptr<TFlashInfoFrom> flashInfoForm_;
    RdtTaskSettings rdtTasks_;
    int selectedPort_ = 0;   // the port of the last "?" pressed, from 1; 0 none
    std::unique_ptr<TPatternForm> patternForm_;
    std::unique_ptr<TReadFlashForm> readFlashForm_;
    // Where each table-file button's dialog opened last; lives as long as
    // the window, whose settings area holds the buttons.
    TableFileFolders tableFolders_{};

    std::unique_ptr<TimerTable> timers_;
    bool started_ = false;        // start-up reached Ready
    UnattendedEnd endOfRun_;
    bool shutDown_ = false;
    bool locked_ = false;
};

}  // namespace qx::station
