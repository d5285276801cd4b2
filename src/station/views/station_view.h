// What the run engine and the device rescan need of the station window. The
// window implements it; every call arrives on the window thread (workers post
// queued calls, they never call it directly). Tests implement it with a
// recorder. Texts are the station's own 8-bit strings.
#pragma once

#include <cstdint>
#include <string>

namespace qx::station {

// The run's controls, read once per round on the window thread and then
// handed to the workers by value.
struct RunControls {
    bool snIncrement = false;    // SNIncChk
    bool uidIncrement = false;   // UIDIncChk
};

class StationView {
public:
    virtual ~StationView() = default;

    // Window locked while a run is busy, restored after it.
    virtual void LockForRun() = 0;
    virtual void RestoreAfterRun() = 0;

    virtual void SetStartEnabled(bool enabled) = 0;              // ExecuteBtn
    virtual void SetRoundText(const std::string& text) = 0;       // batch round label
    virtual void SetBatchPanelColor(std::uint32_t bgr) = 0;       // batch panel
    virtual void SetElapsedText(const std::string& text) = 0;     // ElapsedTime
    virtual void SetWaitAnimation(bool running) = 0;
    virtual void SetSafeRemoveColor(std::uint32_t bgr) = 0;       // SafeRmBtn font colour
    virtual void UpdateDrawPanel() = 0;                           // redraw every port panel

    // Window timers by id: port p's watchdog is id p + 1, the rescan is 51.
    // A worker's arm and kill arrive as queued calls like everything else.
    virtual void ArmTimer(int id, int ms) = 0;
    virtual void KillTimer(int id) = 0;

    virtual RunControls ReadRunControls() = 0;
};

}  // namespace qx::station
