// One production run on the window thread: wait for the drives, take the
// settings, then either one table operation on the first connected drive or
// one worker per connected drive, a poll that keeps the window alive until
// the last worker has ended, and the results written in their fixed order.
#pragma once

#include <QObject>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "station/ports/port_tables.h"
#include "station/run/batch_flags.h"
#include "station/run/port_channel.h"
#include "station/run/port_identity.h"
#include "station/run/port_run.h"
#include "station/run/production_worker.h"
#include "station/run/station_state.h"
#include "station/run/step_ops.h"
#include "station/run/worker_hooks.h"
#include "station/views/device_rescan.h"
#include "station/views/port_view.h"
#include "station/views/result_writer.h"
#include "station/views/station_view.h"
#include "ui/prompter.h"

class QEventLoop;

namespace qx::station {

// The window's side of a run, handed to the engine once.
struct EngineParts {
    StationView& station;
    PortView& ports;
    ResultWriter& results;
    DeviceRescan& rescan;
    PortIdentity& identity;
    ui::Prompter& prompter;
    StepOps& ops;
    StationState& state;
    PortTableHandle& tables = StationPortTables();
};

// What the START handler chose for one round.
struct RoundMode {
    bool tableMode = false;
    bool rebuildOnly = false;
    int batchRound = 0;   // 1-based round of a batch, 0 outside one
};

// Trace and message texts of the run.
inline constexpr char kMsgCaption[] = "Message";

class RunController {
public:
    explicit RunController(EngineParts parts, BatchFlags& batch);
    ~RunController();
    RunController(const RunController&) = delete;
    RunController& operator=(const RunController&) = delete;

    // 1: a run or a table operation took place; 0: refused before any worker.
    int RunProduction(const RoundMode& mode, const RoundControls& controls);

    // The poll learns that a port's worker is no longer running (it ended,
    // or it was killed); it leaves once none runs.
    void WorkerLeft();

    WorkerTable& Workers() { return workers_; }
    WorkerHooks& Hooks() { return hooks_; }
    int LastStartedPort() const { return lastStartedPort_; }
    // The watchdog interval, instead of [Setting] TimeOut.
    void SetWatchdogMs(std::optional<std::uint32_t> ms) { watchdogMs_ = ms; }
    // The object whose thread serves the workers' queued calls.
    QObject* Context() { return &context_; }

private:
    int Refuse(const std::string& text);
    int TableOperation(int port, const RoundControls& controls);
    void StartWorkers(const RoundMode& mode, const RoundControls& controls, int connected);
    bool StartWorker(int port, const RoundMode& mode, const RoundControls& controls);
    void Poll();
    bool AnyRunning() const;
    void WorkerEnded(int port, unsigned generation);
    std::uint64_t ElapsedSeconds() const;
    std::string ResolvePath(const std::string& text) const;
    void StopAnimation();

    EngineParts parts_;
    BatchFlags& batch_;
    WorkerHooks hooks_;
    QObject context_;
    std::optional<std::uint32_t> watchdogMs_;
    int lastStartedPort_ = -1;
    bool animating_ = false;
    std::uint64_t startTick_ = 0;
    QEventLoop* loop_ = nullptr;
    // A started worker whose "ended" call has not yet arrived: every update
    // it posted before arrives first, so the results are drawn after them.
    std::array<bool, kPortCount> awaiting_{};
    // Declared before the workers: a thread still running is joined before
    // the objects it uses go away.
    std::array<std::unique_ptr<PortChannel>, kPortCount> channels_;
    std::array<std::unique_ptr<ProductionWorker>, kPortCount> runners_;
    WorkerTable workers_;
};

// Clears what a worker's run decides, before it starts: step statuses,
// bad-unit marks, result and pending yield. The error code stays until a
// failure replaces it.
void ResetForRun(PortRecord& record);

}  // namespace qx::station
