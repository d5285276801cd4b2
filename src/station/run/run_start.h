// What the operator triggers around a run, and what fires by itself: the
// START handler with its checks and batch rounds, the automatic start, the
// stop button, and the window timers (port watchdogs 1..50, rescan 51).
// Everything runs on the window thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "station/devices/port_rescan.h"
#include "station/results/log_directory.h"
#include "station/run/batch_flags.h"
#include "station/run/run_controller.h"

namespace qx::station {

class RunStart {
public:
    explicit RunStart(EngineParts parts);

    void ExecuteBtnClick();        // START
    void AutoTestTimerTimer();     // AutoTestTimer tick
    void StopClick();              // SpeedButton9
    void OnTimer(int id);          // a window timer fired

    // A run is being started or runs: device changes are ignored meanwhile.
    bool Busy() const { return busy_.load(); }
    RunController& Controller() { return controller_; }
    const BatchFlags& Batch() const { return batch_; }
    int AutoRunRetries() const { return autoRunRetries_; }
    // Waits for a port's worker thread (before a safe removal uses the slot).
    void JoinPort(int port) { controller_.Workers()[port].Join(); }

    // Nobody can answer a box (no display). A round that stops on a message
    // then still ends a run with "AutoExecuteQuit" instead of waiting for a
    // person; with a display the operator mends it and presses START again.
    void SetUnattended(bool unattended) { unattended_ = unattended; }
    // The last START did not run every round it was asked for: a refusal, a
    // round without production, or the log folder missing. Reset by START.
    bool RoundNotRun() const { return roundNotRun_; }
    // The log folder could not be made: the round's results were not written.
    bool ResultsLost() const { return resultsLost_; }

private:
    enum class Round { Refused, Skipped, Ran };
    Round RunRound(int repeatTimes, int roundsLeft);
    bool Refuse(const std::string& text);
    bool CheckRound(const RoundControls& controls);
    bool CheckConnectedDrives();
    Round PrepareDownloadFiles(const RoundControls& controls);
    void Lock();
    void Restore();
    void EndUnattendedRun();

    EngineParts parts_;
    BatchFlags batch_;
    RunController controller_;
    std::atomic<bool> busy_{false};
    bool rescanAfterRun_ = false;   // the rescan timer fired during a run
    bool unattended_ = false;
    bool roundNotRun_ = false;
    bool resultsLost_ = false;
    int roundsLeft_ = 0;
    int autoRunRetries_ = 0;
};

}  // namespace qx::station
