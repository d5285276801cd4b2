// What the station knows about each of its 50 ports: the scan table, rebuilt
// by every rescan, and the active table that runs, panels and logs use.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qx {

inline constexpr int kPortCount = 50;
inline constexpr int kStepStatusCount = 40;   // indexed by step item 1..39

// Status of one production step.
enum StepStatus : int {
    kStepFailed = -1,    // failed, or enabled but not run after an earlier failure
    kStepOff = 0,        // not enabled, or not reached
    kStepPassed = 1,
    kStepRunning = 2,
};

// Result of a port's last run.
enum OverallResult : int { kResultFail = -1, kResultNone = 0, kResultPass = 1 };

struct PortRecord {
    int Present;
    int Connected;
    int BridgeType;                 // qx::BridgeType value
    int PathKind;                   // 1 "ide", 2 "scsi", 3 "usbstor", 0 other
    std::uint16_t UsbVendorId;
    std::uint16_t UsbProductId;
    char UsbSerial[80];
    std::intptr_t HubHandle;        // only meaningful during a walk
    char DriverKeyName[80];
    char DeviceInstanceId[80];
    char DiskPath[260];
    char DriveLetter;
    int CapacityMB;
    int Formatted;
    int ErrorCode;
    int FlashTestResult;
    int PendingYield;
    int DisplayCode;
    int BadUnitIndex;
    int BadUnitCount;
    std::uint8_t FlashTestFlag;
    char SerialNumber[50];
    char Wwn[18];
    char Ppid[25];
    std::int8_t Temperature;
    std::uint32_t DevInst;
    std::uint32_t ParentDevInst;
    std::array<qx::StepStatus, kStepStatusCount> StepStatus;
    qx::OverallResult OverallResult;
};

// The two tables, the active one directly after the scan one.
struct PortTables {
    std::array<PortRecord, kPortCount> Scan;
    std::array<PortRecord, kPortCount> Active;
};
extern PortTables PortRecordTables;
extern std::array<PortRecord, kPortCount>& ScanPortTable;
extern std::array<PortRecord, kPortCount>& ActivePortTable;

// Number of ports the last scan saw; bounds every loop over the tables.
extern int PortCount;

// Clearing a record sets every byte to 0.
void ClearPortRecord(PortRecord& record);
void ClearPortTable(std::array<PortRecord, kPortCount>& table);

// Copies text into a fixed field; false (and the field left empty) when the
// text and its terminating zero do not fit, so a cut text never matches.
template <std::size_t N>
bool CopyPortText(char (&field)[N], const char* text);

// A fixed text field up to its terminator, or the whole field without one.
template <std::size_t N>
std::string_view PortText(const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return {field, n};
}

}  // namespace qx

#include <cstring>

template <std::size_t N>
bool qx::CopyPortText(char (&field)[N], const char* text) {
    const std::size_t len = text ? std::strlen(text) : 0;
    if (len >= N) {
        field[0] = '\0';
        return false;
    }
    std::memcpy(field, text ? text : "", len + 1);
    return true;
}
