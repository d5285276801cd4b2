// What the run engine and the device rescan need of the station window. The
// window implements it; every call arrives on the window thread (workers post
// queued calls, they never call it directly). Tests implement it with a
// recorder. Texts are the station's own 8-bit strings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx::station {

// The run's controls, read once per round on the window thread and then
// handed to the workers by value.
struct RunControls {
    bool snIncrement = false;    // SNIncChk
    bool uidIncrement = false;   // UIDIncChk
};

// Everything a round of a run reads of the window, the boxes above included.
struct RoundControls : RunControls {
    // --- Read by the production workers (their own copy each) ---------------
    bool rebuildClose = false;       // RebuildCloseChk
    int checkedCount = 0;            // checked items of FunCheckListBox
    bool erase = false;              // EraseChk
    bool later = false;              // LaterChk
    bool repairUsed = false;         // RepairUsedChkBox
    bool ignoreErrorDisabled = false;  // RadioGroupIgnoreError set to "Disable"
    std::uint16_t qcThreshold = 0;   // "QC Check Tables" limit; no control sets it

    // --- Read by the START handler and the run controller --------------------
    std::vector<int> listedSteps;    // items 1..39 whose step name is a FunCheckListBox text
    int capacityIndex = 0;           // CapacityCmBx item index (0: "Don't Care")
    int capacityGB = 0;              // CapacityValueList entry at that index
    bool sataBin = false;            // SataBinChk
    bool usbBin = false;             // UsbBinChk
    int repeatTimes = 0;             // LabeledEditRepeatTimes, converted by the window
    bool rdPageActive = false;       // the active settings page is captioned "RD"
    bool claimNew = false;           // ClaimNewChk
    bool getDefTable = false;        // GetDefTabChk
    bool putDefTable = false;        // PutDefTabChk
    bool getLaterTable = false;      // GetLaterTabChk
    bool putLaterTable = false;      // PutLaterTabChk
    std::string tableIn;             // TableInEdit
    std::string tableOut;            // TableOutEdit
    std::string laterTableIn;        // LaterTableInEdit
    std::string laterTableOut;       // LaterTableOutEdit
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

    // --- What the run controller and the START handler ask besides ----------
    virtual RoundControls ReadRoundControls() = 0;
    // Settings exchange between the controls, the settings record and the
    // flash configuration, and the settings file written after a run.
    virtual void FormToGlobalParameter() = 0;
    virtual void ChangeGlobalParameter() = 0;      // chosen flash part into FlashConfig
    virtual void GlobalParameterToForm() = 0;
    virtual void SaveSettings() = 0;               // SaveIniFile with the settings path
    // SerialNumEdit and UIDLEdit after a run.
    virtual void ShowSerialCounters(const std::string& serial, const std::string& uid) = 0;
    virtual bool StartEnabled() = 0;               // ExecuteBtn enabled and visible
    virtual void FocusStart() = 0;
    virtual void SetAutoStartTimer(bool enabled) = 0;   // AutoTestTimer
    virtual void CloseWindow() = 0;                // the window's normal close path
    virtual void QuitApplication() = 0;            // ends once the handler has returned
};

}  // namespace qx::station
