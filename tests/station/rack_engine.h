// The run engine over drive operations that reach the simulated rack, with
// the window's side recorded: for fixtures whose drives, settings and
// configuration come from the library's own fixtures.
#pragma once

#include <memory>

#include "station/engine_fixture.h"
#include "station/run/step_ops.h"

namespace qx::test {

struct RackEngine {
    RackEngine(GlobalParameter& settings, FlashConfig& config) : state{settings, config, bins} {}

    // Before the first run: the active table cleared down to portCount
    // ports, the slots' buffers, and settings START accepts for the rack's
    // drives. Close puts the tables back as they were.
    [[nodiscard]] bool Open(int portCount) {
        EnsureQtApp();
        savedTables = PortRecordTables;
        savedPortCount = PortCount;
        ClearPortTable(ActivePortTable);
        PortCount = portCount;
        state.settings.Channel = 4;
        state.settings.Bank = kBuildBanks;
        state.settings.TimeOut = 300'000;
        return AllocDeviceSlotBuffers();
    }
    void Close() {
        engine.reset();
        FreeDeviceSlotBuffers();
        PortRecordTables = savedTables;
        PortCount = savedPortCount;
    }

    // A fresh engine, as a START press after a program start finds it.
    station::RunStart& Make() {
        engine = std::make_unique<station::RunStart>(
            station::EngineParts{view, ports, results, rescan, identity, prompter, ops, state});
        return *engine;
    }
    // The active table holds the rack's drives: port p is slot p, with its
    // rack path, behind a bridge or on the controller's own USB.
    static void Connect(int port, const std::string& diskPath, bool usbPath) {
        PortRecord& r = ActivePortTable[static_cast<std::size_t>(port)];
        r.Present = r.Connected = 1;
        r.BridgeType = usbPath ? 10 : 4;
        CopyPortText(r.DiskPath, diskPath.c_str());
    }

    BinFileList bins{};
    station::StationState state;
    RecordingStationView view;
    RecordingPortView ports;
    RecordingResults results;
    FakeRescan rescan;
    station::BarcodeState barcodes;
    station::IdentitySteps steps{state.settings, barcodes};
    station::StationIdentity identity{steps};
    ui::ScriptedPrompter prompter;
    station::LibraryStepOps ops;
    std::unique_ptr<station::RunStart> engine;
    PortTables savedTables;
    int savedPortCount = 0;
};

}  // namespace qx::test
