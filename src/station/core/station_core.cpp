#include "station/core/station_core.h"

#include "platform/device_events.h"
#include "qxlib/transport/device_slot.h"
#include "station/devices/device_event_watcher.h"
#include "station/devices/port_rescan.h"
#include "station/run/production_hooks.h"
#include "station/run/run_start.h"

namespace qx::station {

StationCore::StationCore(std::string programFolder, ui::Prompter& prompter)
    : programFolder_(std::move(programFolder)),
      prompter_(prompter),
      tables_(StationPortTables()),
      mes_(MesClientFromEnvironment(programFolder_)),
      steps_(settings_, barcodes_, LocalDate, tables_),
      results_(ResultSources{settings_, tables_.Active(), tables_.CountField(), config_, prompter_}) {
    windowState_.ProgramFolder = programFolder_;
    windowState_.IniPath = programFolder_ + kSettingsFileName;
    state_.programFolder = programFolder_;
    results_.ReportFailuresTo(failures_);
}

StationCore::~StationCore() { StopEngine(); }

void StationCore::TakeCommandLine(const CommandLineFlags& flags) {
    state_.autoExecute = flags.autoExecute;
    state_.autoExecuteQuit = flags.autoExecuteQuit;
    state_.captureAppImage = flags.captureAppImage;
}

PortRescan& StationCore::MakeRescan(StationView& view, RescanWindow& window) {
    ClearPortTable(tables_.Active());
    rescan_ = std::make_unique<PortRescan>(
        RescanContext{settings_, config_, view, window, prompter_, barcodes_, mes_, tables_});
    return *rescan_;
}

RunStart& StationCore::StartEngine(StationView& view, PortView& ports) {
    slotsAllocated_ = AllocDeviceSlotBuffers();
    engine_ = std::make_unique<RunStart>(
        EngineParts{view, ports, results_, *rescan_, identity_, prompter_, ops_, state_, tables_});
    InstallProductionHooks(engine_->Controller(), programFolder_);
    watcher_ = std::make_unique<DeviceEventWatcher>(platform::OpenDeviceEvents(), *rescan_);
    return *engine_;
}

void StationCore::StopEngine() {
    watcher_.reset();
    engine_.reset();
    if (slotsAllocated_) FreeDeviceSlotBuffers();
    slotsAllocated_ = false;
}

void StationCore::ClearBarcodePrompts() {
    barcodes_.SnPromptBusy = barcodes_.WwnPromptBusy = barcodes_.PpidPromptBusy = 0;
}

}  // namespace qx::station
