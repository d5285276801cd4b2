#include "qxlib/settings/flash_config.h"

#include <algorithm>
#include <string_view>

#include "qxlib/settings/flash_part_record.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/settings/serial_number.h"
#include "qxlib/base/settings_fixed_text.h"
#include "qxlib/settings/settings_switches.h"
#include "qxlib/base/switches.h"

namespace qx {
namespace {

constexpr std::array<std::uint8_t, 7> kAsyncTiming = {0x90, 0x90, 0x22, 0x04, 0x9B, 0xF9, 0x54};
constexpr std::array<std::uint8_t, 7> kSyncTiming = {0x10, 0x10, 0x11, 0x00, 0x9B, 0xF9, 0x54};
constexpr std::array<std::uint8_t, 7> kToggleTiming = {0x00, 0x00, 0x22, 0x04, 0xFF, 0xFF, 0x1F};
constexpr std::size_t kUidLength = 9;

enum class PageTable { Identity, LowPage1, LowPage2, LowPage3 };

PageTable ChoosePageTable(const FlashConfig& config) {
    if (!IsLowPageModeActive(config)) return PageTable::Identity;
    switch (config.LowPageType) {
    case 3: case 6: case 8: return PageTable::LowPage1;
    case 1: case 4: case 7: return PageTable::LowPage2;
    default: return PageTable::LowPage3;
    }
}

// Logical code page i on the flash: the low pages of the chosen table, in
// pairs 4 apart (sets 1 and 2) or every odd page (set 3).
std::uint16_t CodePage(PageTable table, std::size_t i) {
    const auto pair = static_cast<unsigned>(4 * (i / 2) + i % 2);
    switch (table) {
    case PageTable::LowPage1: return static_cast<std::uint16_t>(28 + pair);
    case PageTable::LowPage2: return static_cast<std::uint16_t>(30 + pair);
    case PageTable::LowPage3: return static_cast<std::uint16_t>(31 + 2 * i);
    default: return static_cast<std::uint16_t>(i);
    }
}

constexpr std::array<std::uint16_t, kTablePageEntries> kTablePages1 = {0, 1, 2, 3, 4, 5, 8, 9,
                                                                       12, 13, 16, 17, 20, 21, 24, 25};
constexpr std::array<std::uint16_t, kTablePageEntries> kTablePages2 = {0, 1, 2, 3, 6, 7, 10, 11,
                                                                       14, 15, 18, 19, 22, 23, 26, 27};
constexpr std::array<std::uint16_t, kTablePageEntries> kTablePages3 = {0, 1, 3, 5, 7, 9, 11, 13,
                                                                       15, 17, 19, 21, 23, 25, 27, 29};

bool PartNumberStartsWithOneOf(const FlashConfig& config, std::initializer_list<std::string_view> names) {
    const std::string_view number = FixedTextView(config.PartNumber);
    return std::any_of(names.begin(), names.end(), [number](std::string_view n) { return number.starts_with(n); });
}

bool PartNumberAtTwoIsOneOf(const FlashConfig& config, std::initializer_list<std::string_view> names) {
    const std::string_view number = FixedTextView(config.PartNumber);
    if (number.size() < 7) return false;
    return std::find(names.begin(), names.end(), number.substr(2, 5)) != names.end();
}

void CopyPart(FlashConfig& c, const FlashPartRecord& part, const GlobalParameter& s) {
    c.FlashTypeWord = static_cast<std::uint16_t>(part.FlashTypeWord);
    c.ChannelCount = s.Channel;
    c.BankCount = s.Bank;
    c.CeCount = static_cast<std::uint8_t>(part.CeCount);
    c.EccMode = static_cast<std::uint8_t>(part.EccMode);
    c.HalfPages = part.HalfPages;
    std::copy(std::begin(part.PartNumber), std::end(part.PartNumber), std::begin(c.PartNumber));
    c.Options[kOptPartA] = part.OptionA;
    c.Options[kOptPartB] = part.OptionB;
    c.FlashModeFlag = static_cast<std::uint8_t>(part.FlashModeFlag);
    c.ExtraBlocks = part.ExtraBlocks;
    c.DieOffset = part.DieOffset;
    c.LowPageType = part.LowPageType;
    c.FlashInterface = part.FlashInterface;
    c.OnePlane = static_cast<std::uint8_t>(part.OnePlane);
    c.FlashId = part.FlashId;
    c.Options[kOptPartB] = 0;
    if (!s.EnExtendBlock) c.ExtraBlocks = 0;
}

void SetFlagBytes(FlashConfig& c, const GlobalParameter& s) {
    c.FwFlagsA = static_cast<std::uint8_t>((s.EnTrimCmd ? 0x01 : 0) | (s.EnThermalSensor ? 0x02 : 0) |
                                           (s.EnSizeAlignment ? 0x10 : 0));
    c.FwFlagsB = static_cast<std::uint8_t>((s.EnOneDram ? 0x01 : 0) |
                                           (c.FlashInterface == 3 || c.FlashInterface == 5 ? 0x02 : 0) |
                                           (c.OnePlane ? 0x04 : 0) | (s.EnNoSPI ? 0x08 : 0));
    c.FwFlagsC = static_cast<std::uint8_t>((s.EnLaterSkipEccOver ? 0x01 : 0) | (s.EnLaterSkipProgFail ? 0x04 : 0) |
                                           (s.EnLaterSkipEraseFail ? 0x08 : 0) | (s.EnLaterSkipEccFail ? 0x10 : 0));
}

void SetFirmwareValues(FlashConfig& c, const GlobalParameter& s) {
    c.DefPercentage = s.DefPercentage;
    c.ResPercentage = s.ResPercentage;
    c.Options[kOptPageOption] = 0;
    CopyFixedText(c.BlocksHeaderText, "LDBK BLOCKS V50");
    CopyFixedText(c.ConfigHeaderText, "LDBK CONFIG V50");
    c.Options[kOptV50Pages] = 1;
    c.Options[kOptV50BinPages] = 1;
    c.AsyncTiming = kAsyncTiming;
    c.SyncTiming = kSyncTiming;
    c.SecurityCounter = s.SecurityCounter;
    c.DirtyDepth = std::clamp<std::uint16_t>(s.DirtyDepth, 10, 40);
    c.BchThresholds = {s.Bch16ReadErrorThreshold,    s.Bch24ReadErrorThreshold,    s.Bch40ReadErrorThreshold,
                       s.Bch16EccErrorCopyThreshold, s.Bch24EccErrorCopyThreshold, s.Bch40EccErrorCopyThreshold};
    c.WearLevelFrequency = s.WearLevelFrequency;
    c.DrvCurrent = s.DrvCurrent;
    c.Options[kOptScramble] = s.ScrambleEnable;
    c.Options[kOptRemap] = s.RemapEnable;
    c.Options[kOptNoDeviceSleep] = s.NoDeviceSleep;
    c.Options[kOptDllPhaseAdjust] = s.EN_Digital_DLLPhase_Adjust;
    CopyFixedText(c.FirmwareVer, FixedTextView(s.FirmwareVer));
    CopyFixedText(c.ModelNum, FixedTextView(s.ModelNum));
    CopyFixedText(c.EncryptionString, FixedTextView(s.EncryptionString));
}

}  // namespace

bool IsLowPageModeActive(const FlashConfig& config) {
    return config.EnCodeBlockLowPage != 0 && config.LowPageType >= 1 && config.LowPageType <= 8;
}

void FillCodeBlockPageTables(FlashConfig& config) {
    const PageTable table = ChoosePageTable(config);
    for (std::size_t i = 0; i < config.PageMap.size(); ++i) config.PageMap[i] = CodePage(table, i);
    switch (table) {
    case PageTable::LowPage1: config.TablePageList = kTablePages1; break;
    case PageTable::LowPage2: config.TablePageList = kTablePages2; break;
    case PageTable::LowPage3: config.TablePageList = kTablePages3; break;
    default: break;
    }
}

std::uint8_t ApplyGlobalParameter(FlashConfig& config, const FlashPartRecord& part, GlobalParameter& settings) {
    CopyPart(config, part, settings);
    SetFlagBytes(config, settings);
    DecodeFlashGeometry(config, config.FlashGeometry);
    CopyBankMap(settings, config.FlashGeometry.BankMap);
    config.SizeCode = PackFlashSizeCode(config);
    config.SizeCodeEx = PackFlashSizeCodeEx(config);
    config.RawCapacityGB = CalcRawCapacityGB(config);
    SetFirmwareValues(config, settings);
    FillCodeBlockPageTables(config);
    FitSerialNumber(settings.SerialNum, settings.SNMinLength);
    CopyFixedText(config.OUI, FixedTextView(settings.OUI));
    FitSerialNumber(settings.UID, kUidLength);
    TransferMode.store(SataBusMode.load());
    ApplyFlashQuirks(config);
    settings.DrvCurrent = config.DrvCurrent;
    return config.DrvCurrent;
}

void ApplyFlashQuirks(FlashConfig& c) {
    const unsigned flashClass = FlashClass(c);
    if (flashClass == 1 &&
        (c.FlashModeFlag || PartNumberStartsWithOneOf(c, {"K9GBG08U0A", "K9LCG08U0A", "K9HDG08U1A", "K9GBG08U0F"}))) {
        c.FwFlagsA |= 0x20;
    }
    if (flashClass == 3 &&
        (c.FlashModeFlag || PartNumberStartsWithOneOf(c, {"H27UBG8T2A", "H27UCG8U5A", "H27UCG8UDA", "H27UDG8V5A",
                                                          "H27UDG8VFA", "H27UDG8VEA"}))) {
        c.FwFlagsA |= 0x20;
    }
    c.Options[kOptPageOption] = 1;
    if (c.FlashInterface == 3 || c.FlashInterface == 5) c.FwFlagsB |= 0x02;
    if (c.OnePlane) c.FwFlagsB |= 0x04;

    const bool toggle = c.FlashInterface == 1 || c.FlashInterface == 3 || c.FlashInterface == 5 ||
                        c.FlashInterface == 6 || c.FlashInterface == 7;
    c.SyncTiming = toggle ? kToggleTiming : kSyncTiming;
    if (c.EnModifyTMCvalue) {
        c.SyncTiming = toggle ? c.ToggleTMC : c.ONFITMC;
        c.AsyncTiming = c.AsynTMC;
    }
    if (flashClass == 1 && PartNumberAtTwoIsOneOf(c, {"HDG08", "PFG08"})) c.BchThresholds[4] = 15;
    c.Options[kOptRemap] = c.Options[kOptRemap] ? 1 : 0;
}

}  // namespace qx
