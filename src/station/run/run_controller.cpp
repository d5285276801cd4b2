#include "station/run/run_controller.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <ctime>

#include "platform/clock.h"
#include "qxlib/base/switches.h"
#include "qxlib/error_items/item_numbers.h"
#include "qxlib/format/fat32_format.h"
#include "qxlib/programs/program_paths.h"
#include "station/run/elapsed_text.h"

namespace qx::station {

namespace {

constexpr char kMsgDeviceCount[] = "Please Make sure the Connection devices Number!!";
constexpr int kFormatRetriesPerDrive = 5;

void ProcessEventsOnce() { QCoreApplication::processEvents(); }

}  // namespace

void ResetForRun(PortRecord& record) {
    for (std::size_t i = 1; i < record.StepStatus.size(); ++i) record.StepStatus[i] = kStepOff;
    record.BadUnitCount = 0;
    record.BadUnitIndex = 0;
    record.OverallResult = kResultNone;
    record.PendingYield = 0;
}

RunController::RunController(EngineParts parts, BatchFlags& batch) : parts_(parts), batch_(batch) {}

RunController::~RunController() {
    // Shutting down: a worker still running is cancelled, not waited out,
    // and its thread is joined before anything it uses goes away.
    for (int p = 0; p < kPortCount; ++p) workers_[p].Kill(nullptr);
    workers_.JoinAll();
}

int RunController::Refuse(const std::string& text) {
    parts_.prompter.Information(kMsgCaption, text);
    StopAnimation();
    return 0;
}

void RunController::StopAnimation() {
    if (!animating_) return;
    animating_ = false;
    parts_.station.SetWaitAnimation(false);
}

std::uint64_t RunController::ElapsedSeconds() const { return (platform::TickMs() - startTick_) / 1000; }

int RunController::RunProduction(const RoundMode& mode, const RoundControls& controls) {
    StationView& view = parts_.station;
    GlobalParameter& settings = parts_.state.settings;
    RunInfo run;
    run.startTime = std::time(nullptr);
    run.batchRound = mode.batchRound;
    run.testedTotalAtStart = settings.TotalTestCount;
    startTick_ = platform::TickMs();

    if (parts_.rescan.ConnectedCount() != 0) {
        view.SetWaitAnimation(true);
        animating_ = true;
        ProcessEventsOnce();
    }
    if (settings.EnUpdateFirmwareMode) parts_.identity.ReadDriveSerials();
    parts_.rescan.WaitDevicesReady();
    const int connected = parts_.rescan.ConnectedCount();
    if (connected == 0 || (settings.ConnectDevNum != 0 && settings.ConnectDevNum != connected))
        return Refuse(kMsgDeviceCount);

    FormatOpenRetries = kFormatRetriesPerDrive * connected;
    ProcessEventsOnce();
    view.FormToGlobalParameter();
    view.ChangeGlobalParameter();
    view.GlobalParameterToForm();

    if (mode.tableMode) {
        for (int p = 0; p < parts_.tables.Limit(); ++p)
            if (parts_.tables.Active(p).Connected) return TableOperation(p, controls);
        StopAnimation();
        return 1;
    }

    const int missing = parts_.identity.CheckReMPSerials();
    if (missing >= 0) {
        char text[64];
        std::snprintf(text, sizeof text, "Please Make sure the PortSN%2.2d does exist!!!", missing + 1);
        return Refuse(text);
    }
    ProcessEventsOnce();
    parts_.identity.TakeQueuedSerial(mode.rebuildOnly);
    // Decided on every run, so a run without special mode never inherits it.
    SkipEarlyBadCount = parts_.state.specialMode && !settings.TestItemEnable[7] && settings.TestItemEnable[8];
    // Every worker boots the diagnostic program from the same place.
    SetGdpImagePath(parts_.state.programFolder + "GDP.bin");

    StartWorkers(mode, controls, connected);
    Poll();
    StopAnimation();

    view.ShowSerialCounters(settings.SerialNum, settings.UID);
    if (!parts_.results.WriteProductionLog(run)) return 1;
    view.SetElapsedText(ElapsedText(ElapsedSeconds()));
    parts_.results.WriteErrorDumps(run);
    view.UpdateDrawPanel();
    if (settings.SNErrReuse) parts_.identity.RebuildSnReuseQueue(run.failedDownloadSerials);
    if (mode.rebuildOnly && controls.rebuildClose) {
        for (int p = 0; p < parts_.tables.Limit(); ++p) {
            const PortRecord& rec = parts_.tables.Active(p);
            if (!rec.Connected) continue;
            if (rec.OverallResult == kResultPass) {
                parts_.prompter.Information(kMsgCaption, "Rebuild O.K., Close the AP");
                view.CloseWindow();
            }
            break;
        }
    }
    if (parts_.state.captureAppImage) parts_.results.CaptureWindowImage(run);
    return 1;
}

void RunController::StartWorkers(const RoundMode& mode, const RoundControls& controls, int connected) {
    int started = 0;
    for (int p = 0; p < parts_.tables.Limit() && started < connected; ++p) {
        PortRecord& rec = parts_.tables.Active(p);
        if (!rec.Connected) continue;
        parts_.identity.AssignPortIdentity(p);
        lastStartedPort_ = p;
        if (!StartWorker(p, mode, controls)) {
            // No thread: the port fails as one that never answered.
            ResetForRun(rec);
            rec.ErrorCode = rec.DisplayCode = item::kTimeout;
            rec.OverallResult = kResultFail;
        }
        parts_.identity.AdvanceSerialNumbers(mode.rebuildOnly, controls);
        ++started;
    }
}

bool RunController::StartWorker(int port, const RoundMode& mode, const RoundControls& controls) {
    PortRun& run = workers_[port];
    run.Join();   // the port's previous thread, killed or not, is gone first
    PortRecord& rec = parts_.tables.Active(port);
    ResetForRun(rec);

    WorkerContext ctx;
    ctx.settings = parts_.state.settings;
    ctx.config = parts_.state.config;
    ctx.binFiles = parts_.state.downloadFiles;
    ctx.controls = controls;
    WorkerSetup setup;
    setup.port = port;
    setup.rebuildOnly = mode.rebuildOnly;
    setup.specialMode = parts_.state.specialMode;
    setup.watchdogMs = watchdogMs_.value_or(parts_.state.settings.TimeOut);
    setup.programFolder = parts_.state.programFolder;
    setup.barcodeSerial = parts_.identity.PortBarcodeSerial(port);

    const auto slot = static_cast<std::size_t>(port);
    channels_[slot] = std::make_unique<PortChannel>(port, run, rec, parts_.ports, parts_.station, &context_);
    runners_[slot] = std::make_unique<ProductionWorker>(setup, std::move(ctx), parts_.ops, *channels_[slot], hooks_, batch_);
    ProductionWorker* worker = runners_[slot].get();
    PortChannel* channel = channels_[slot].get();
    const unsigned generation = run.Generation() + 1;
    awaiting_[slot] = run.Start(
        [this, worker, channel, &run, port, generation] {
            worker->Run();
            run.Finish();
            channel->PostEnded([this, port, generation] { WorkerEnded(port, generation); });
        },
        workers_.Launcher());
    return awaiting_[slot];
}

void RunController::WorkerEnded(int port, unsigned generation) {
    if (workers_[port].Generation() == generation) awaiting_[static_cast<std::size_t>(port)] = false;
    WorkerLeft();
}

bool RunController::AnyRunning() const {
    // A killed worker no longer counts, whenever its thread ends.
    for (int p = 0; p < parts_.tables.Limit(); ++p)
        if (parts_.tables.Active(p).Connected && awaiting_[static_cast<std::size_t>(p)] &&
            workers_[p].State() != WorkerState::Killed)
            return true;
    return false;
}

void RunController::WorkerLeft() {
    if (loop_ && !AnyRunning()) loop_->quit();
}

void RunController::Poll() {
    if (!AnyRunning()) return;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(1000);
    QObject::connect(&tick, &QTimer::timeout, &loop,
                     [this] { parts_.station.SetElapsedText(ElapsedText(ElapsedSeconds())); });
    tick.start();
    loop_ = &loop;
    // A worker may have ended between the check and the loop: its queued
    // call arrives inside the loop and ends it.
    QTimer::singleShot(0, &loop, [this] { WorkerLeft(); });
    loop.exec();
    loop_ = nullptr;
}

}  // namespace qx::station
