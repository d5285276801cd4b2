// Everything the station is, without its window: the settings record, the
// flash configuration and part list, the download file list, the bar-code
// state and the MES client, the drive identity steps, the result writer,
// the rescan and the run engine, and the one handle on the port tables. The
// window keeps its widgets and the view adapters the rescan and the engine
// call; it, its dialogs and a test reach the station's state through here.
// Window thread only, as everything it owns.
#pragma once

#include <memory>
#include <string>

#include "qxlib/programs/info_page.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "station/entry/command_line.h"
#include "station/flash_part_list.h"
#include "station/identity/barcode_buffers.h"
#include "station/identity/identity_steps.h"
#include "station/identity/mes_query.h"
#include "station/ports/port_tables.h"
#include "station/results/station_results.h"
#include "station/results/write_failures.h"
#include "station/run/station_identity.h"
#include "station/run/station_state.h"
#include "station/run/step_ops.h"
#include "station/settings/settings_window_state.h"

namespace qx::ui {
class Prompter;
}

namespace qx::station {

class DeviceEventWatcher;
class PortRescan;
class PortView;
class RescanWindow;
class RunStart;
class StationView;

class StationCore {
public:
    // programFolder ends with a separator; the settings file, the MES client
    // and the production hooks are found there.
    StationCore(std::string programFolder, ui::Prompter& prompter);
    ~StationCore();
    StationCore(const StationCore&) = delete;
    StationCore& operator=(const StationCore&) = delete;

    // The command line's switches the run reads.
    void TakeCommandLine(const CommandLineFlags& flags);

    // Start-up, after the settings are loaded: the active table cleared and
    // the rescan made; the caller runs the first scan through Rescan().
    PortRescan& MakeRescan(StationView& view, RescanWindow& window);
    // Then the slots' buffers, the run engine with the production hooks and
    // the device-event watcher. Needs MakeRescan first.
    RunStart& StartEngine(StationView& view, PortView& ports);
    // Shut-down: device events stop, a running worker is cancelled and
    // joined, the slots' buffers freed. Safe to call twice.
    void StopEngine();

    // The bar-code prompts a refresh may ask again.
    void ClearBarcodePrompts();

    const PortTableHandle& Tables() const { return tables_; }
    PortTableHandle& Tables() { return tables_; }
    GlobalParameter& Settings() { return settings_; }
    FlashConfig& Config() { return config_; }
    FlashPartList& Parts() { return parts_; }
    BinFileList& DownloadFiles() { return bins_; }
    SettingsWindowState& WindowState() { return windowState_; }
    StationState& State() { return state_; }
    BarcodeState& Barcodes() { return barcodes_; }
    const MesClient& Mes() const { return mes_; }
    IdentitySteps& Identity() { return steps_; }
    StationResults& Results() { return results_; }
    WriteFailures& Failures() { return failures_; }
    PortRescan* Rescan() const { return rescan_.get(); }
    RunStart* Engine() const { return engine_.get(); }
    const std::string& ProgramFolder() const { return programFolder_; }

private:
    std::string programFolder_;
    ui::Prompter& prompter_;
    PortTableHandle& tables_;
    GlobalParameter settings_{};
    FlashConfig config_{};
    FlashPartList parts_{};
    BinFileList bins_{};
    SettingsWindowState windowState_;
    StationState state_{settings_, config_, bins_};
    BarcodeState barcodes_;
    MesClient mes_;
    IdentitySteps steps_;
    StationIdentity identity_{steps_};
    LibraryStepOps ops_;
    StationResults results_;
    WriteFailures failures_;
    // Declared last: the engine and the watcher go before what they use.
    std::unique_ptr<PortRescan> rescan_;
    std::unique_ptr<RunStart> engine_;
    std::unique_ptr<DeviceEventWatcher> watcher_;
    bool slotsAllocated_ = false;
};

}  // namespace qx::station
