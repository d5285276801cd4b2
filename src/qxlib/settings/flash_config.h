// The controller configuration written into every drive of a run: decoded
// geometry, the chosen part's identity, option bytes, timings, code-block page
// maps and copies of identity strings.
//
// A FlashConfig is a value. The window keeps one, each production worker takes
// its own copy at run start, and whatever fills one (the settings load, the
// flash choice, a drive's system information) writes the copy it is handed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "qxlib/settings/flash_geometry.h"

namespace qx {

struct FlashPartRecord;
struct GlobalParameter;

// A bin file may use code-block pages up to 59 (pages 60 and 61 hold tables),
// so the page map in memory covers 60 pages; the information page on flash
// carries only the first 48 entries.
inline constexpr std::size_t kPageMapEntries = 60;
inline constexpr std::size_t kPageMapFlashEntries = 48;
inline constexpr std::size_t kTablePageEntries = 16;
inline constexpr std::size_t kIdentifyOverrideCount = 256;

struct FlashConfig {
    qx::FlashGeometry FlashGeometry;

    // From the chosen part and the settings.
    std::uint16_t FlashTypeWord;
    std::uint8_t ChannelCount;
    std::uint8_t BankCount;
    std::uint8_t CeCount;
    std::uint8_t EccMode;
    std::uint8_t HalfPages;
    std::uint8_t FlashModeFlag;
    std::uint16_t RawCapacityGB;
    std::uint8_t SizeCode;
    std::uint8_t SizeCodeEx;
    char PartNumber[32];
    std::uint16_t ExtraBlocks;
    std::uint16_t DieOffset;
    std::uint8_t LowPageType;
    std::uint8_t FlashInterface;
    std::uint8_t OnePlane;
    std::array<std::uint8_t, 5> FlashId;
    std::array<std::uint8_t, 7> AsyncTiming;
    std::array<std::uint8_t, 7> SyncTiming;
    std::array<std::uint8_t, 18> Options;
    char BlocksHeaderText[16];
    char ConfigHeaderText[16];
    std::array<std::uint16_t, kPageMapEntries> PageMap;
    std::array<std::uint16_t, kTablePageEntries> TablePageList;
    std::uint8_t DrvCurrent;
    std::uint8_t DefPercentage;
    std::uint16_t ResPercentage;
    std::array<std::uint8_t, 6> BchThresholds;
    std::uint8_t WearLevelFrequency;
    std::uint8_t SecurityCounter;
    std::uint16_t DirtyDepth;
    std::uint8_t FwFlagsA;
    std::uint8_t FwFlagsB;
    std::uint8_t FwFlagsC;
    char FirmwareVer[10];
    char ModelNum[42];
    char EncryptionString[24];
    char OUI[8];

    // Filled straight from [FwSetting] and [DeviceSetting] by the settings load.
    std::uint16_t ProhibitRemapOffset;
    std::uint8_t EnModifyTMCvalue;
    std::array<std::uint8_t, 7> ToggleTMC;
    std::array<std::uint8_t, 7> ONFITMC;
    std::array<std::uint8_t, 7> AsynTMC;
    std::uint8_t DriverSetting;
    std::uint8_t EnCodeBlockLowPage;
    std::uint8_t EnRegMap;
    std::uint8_t RovidaSSD;
    std::uint8_t DLLPhase;
    std::uint8_t SecurityOptions;
    std::uint8_t UsbRemovable;
    std::uint8_t IDE_UDMA5;
    std::uint8_t LedInterleaveConfig;
    // Flag "Z" or "X", four hexadecimal digits, NUL.
    std::array<std::array<char, 6>, kIdentifyOverrideCount> IdentifyOverrides;
};

// Indices into FlashConfig::Options that the library gives a meaning.
inline constexpr std::size_t kOptScramble = 4;
inline constexpr std::size_t kOptRemap = 5;
inline constexpr std::size_t kOptPartA = 7;
inline constexpr std::size_t kOptUsbLedP14 = 9;
inline constexpr std::size_t kOptPartB = 10;
inline constexpr std::size_t kOptPageOption = 13;
inline constexpr std::size_t kOptNoDeviceSleep = 14;
inline constexpr std::size_t kOptDllPhaseAdjust = 15;
inline constexpr std::size_t kOptV50Pages = 16;
inline constexpr std::size_t kOptV50BinPages = 17;

// Rebuilds config from the chosen part and the settings; pads or cuts the
// serial number and UID inside settings and writes the drive current back to
// it. Also sets the process-wide TransferMode from [Setting] SataBusMode
// (each slot is seeded from it when a run starts; no slot's own mode is
// touched here). Returns the drive current.
std::uint8_t ApplyGlobalParameter(FlashConfig& config, const FlashPartRecord& part, GlobalParameter& settings);

// Part-number and interface adjustments; the last step of ApplyGlobalParameter.
void ApplyFlashQuirks(FlashConfig& config);

// Low-page mode is on only when the switch is set and the part names one of
// the low-page tables (types 1..8). Every user of PageMap and TablePageList
// asks this, so the placement and the tables never disagree.
bool IsLowPageModeActive(const FlashConfig& config);

// Fills PageMap (and, for a low-page table, TablePageList) for the config's
// EnCodeBlockLowPage and LowPageType; the identity table leaves TablePageList
// as it was.
void FillCodeBlockPageTables(FlashConfig& config);

}  // namespace qx
