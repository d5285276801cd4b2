// Asking a connected drive for its flash: the diagnostic program reports the
// flash ID, channel and bank counts and bank map; every part of the list with
// that ID becomes a candidate. Runs on the window thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "station/ports/port_tables.h"

namespace qx {
struct FlashConfig;
struct FlashPartList;
struct GlobalParameter;
}

namespace qx::station {

inline constexpr std::size_t kMaxFlashCandidates = 50;
inline constexpr std::size_t kFlashDetectResultSize = 18;

// The detection record: ID bytes 0 to 4, channel count 7, bank count 8,
// chip enables 9, bank map 10 to 17.
struct FlashDetectResult {
    std::array<std::uint8_t, kFlashDetectResultSize> Bytes{};
    std::array<std::uint8_t, 5> FlashId() const { return {Bytes[0], Bytes[1], Bytes[2], Bytes[3], Bytes[4]}; }
    std::uint8_t Channels() const { return Bytes[7]; }
    std::uint8_t Banks() const { return Bytes[8]; }
    std::uint8_t ChipEnables() const { return Bytes[9]; }
    std::array<std::uint8_t, 8> BankMap() const;
};

struct FlashCandidates {
    int Count = 0;
    std::array<int, kMaxFlashCandidates> Vendor{};   // item of the vendor list
    std::array<int, kMaxFlashCandidates> Code{};     // part index within the vendor
};

// Parts whose five ID bytes match, in table order; the list holds 50 at most.
FlashCandidates FindFlashCandidates(const FlashPartList& parts, const std::array<std::uint8_t, 5>& id);

enum class DetectOutcome {
    NoConnectedPort,  // no port record is connected
    Ntfs,             // a firmware-mode drive with an NTFS partition; untouched
    Failed,           // the diagnostic program gave no report
    Detected,
};

struct FlashDetection {
    DetectOutcome Outcome = DetectOutcome::NoConnectedPort;
    int Port = -1;   // counted from 0
    FlashDetectResult Result;
};

// Detects on the first connected port of the active table. config is booted
// with drive current 2 and no banks (the caller restores it); the drive is
// left in vendor mode 10 unless it was refused for NTFS.
FlashDetection DetectFlashOnFirstPort(int portCount, FlashConfig& config, const GlobalParameter& settings,
                                      const PortTableHandle& tables = StationPortTables());

// Applies a drive's report to the settings: channel, bank, the bank map when
// the diagnostic program supports it, and drive current 3.
void ApplyFlashReport(const FlashDetectResult& result, bool bankMapSupported, GlobalParameter& settings);

// "Flash's CE:%d\nFlash's Maker Code:%X ..." for an unmatched detection.
std::string FlashIdMessage(const FlashDetectResult& result);

// Writes FlashUniName, Channel, Bank and DrvCurrent of [FlashSetting] into the
// file (fileName under programFolder unless its folder part holds ":\" or it
// starts with "/"), keeping every other line. False when it cannot be written.
bool SaveFlashSettingToIni(const std::string& programFolder, const std::string& fileName,
                           const GlobalParameter& settings);

}  // namespace qx::station
