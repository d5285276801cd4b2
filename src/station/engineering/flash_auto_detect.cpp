#include "station/engineering/flash_auto_detect.h"

#include <cstdio>
#include <vector>

#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/discovery/port_record.h"
#include "qxlib/rw/lba_steps.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "station/flash_part_list.h"
#include "station/settings/settings_load.h"
#include "ui/profile_ini_editor.h"

namespace qx::station {

namespace {

constexpr std::size_t kDetectBufferBytes = 128 * 1024;
constexpr std::uint8_t kDetectDriveCurrent = 2;
constexpr std::uint8_t kDetectedDriveCurrent = 3;
constexpr std::uint8_t kScanMode = 10;

std::string FixedText(const char* field, std::size_t size) {
    std::size_t n = 0;
    while (n < size && field[n] != '\0') ++n;
    return std::string(field, n);
}

}  // namespace

std::array<std::uint8_t, 8> FlashDetectResult::BankMap() const {
    std::array<std::uint8_t, 8> map{};
    for (std::size_t i = 0; i < map.size(); ++i) map[i] = Bytes[10 + i];
    return map;
}

FlashCandidates FindFlashCandidates(const FlashPartList& parts, const std::array<std::uint8_t, 5>& id) {
    FlashCandidates found;
    for (int index = 0; index < parts.PartCount(); ++index) {
        if (parts.FlashPartTable[static_cast<std::size_t>(index)].FlashId != id) continue;
        if (static_cast<std::size_t>(found.Count) == kMaxFlashCandidates) break;
        int vendor = 0;
        for (int v = 0; v < parts.VendorCount(); ++v)
            if (parts.FlashVendorStart[static_cast<std::size_t>(v)] <= index) vendor = v;
        found.Vendor[static_cast<std::size_t>(found.Count)] = vendor;
        found.Code[static_cast<std::size_t>(found.Count)] = index - parts.FlashVendorStart[static_cast<std::size_t>(vendor)];
        ++found.Count;
    }
    return found;
}

FlashDetection DetectFlashOnFirstPort(int portCount, FlashConfig& config, const GlobalParameter& settings,
                                      const PortTableHandle& tables) {
    FlashDetection detection;
    for (int port = 0; port < portCount && port < kPortCount; ++port) {
        if (!tables.Active(port).Connected) continue;
        detection.Port = port;
        config.DrvCurrent = kDetectDriveCurrent;
        config.BankCount = 0;
        if (!IsLoaderDevice(port) && HasNtfsPartition(port)) {
            detection.Outcome = DetectOutcome::Ntfs;
            return detection;
        }
        std::vector<std::uint8_t> buffer(kDetectBufferBytes);
        const StepContext ctx{config, settings, buffer};
        if (DetectFlashByGdp(port, ctx)) {
            detection.Outcome = DetectOutcome::Detected;
            for (std::size_t i = 0; i < kFlashDetectResultSize; ++i) detection.Result.Bytes[i] = buffer[i];
        } else {
            detection.Outcome = DetectOutcome::Failed;
        }
        SwitchVendorMode(port, kScanMode);
        return detection;
    }
    return detection;
}

void ApplyFlashReport(const FlashDetectResult& result, bool bankMapSupported, GlobalParameter& settings) {
    settings.Channel = result.Channels();
    settings.Bank = result.Banks();
    if (bankMapSupported) settings.FwBankSet = result.BankMap();
    settings.DrvCurrent = kDetectedDriveCurrent;
}

std::string FlashIdMessage(const FlashDetectResult& r) {
    char text[320];
    std::snprintf(text, sizeof text,
                  "Flash's CE:%d\nFlash's Maker Code:%X\nFlash's Device Code:%X\nFlash's 3rd Code:%X\nFlash's 4th "
                  "Code:%X\nFlash's 5th Code:%X\nSSD's total channel:%d\nSSD's total bank:%d\n",
                  r.ChipEnables(), r.Bytes[0], r.Bytes[1], r.Bytes[2], r.Bytes[3], r.Bytes[4], r.Channels(),
                  r.Banks());
    return text;
}

bool SaveFlashSettingToIni(const std::string& programFolder, const std::string& fileName,
                           const GlobalParameter& settings) {
    const std::string path = ResolveProgramPath(programFolder, fileName);
    ProfileIniEditor ini = ProfileIniEditor::Load(path);
    ini.WriteString("FlashSetting", "FlashUniName", FixedText(settings.FlashUniName, sizeof settings.FlashUniName));
    ini.WriteInteger("FlashSetting", "Channel", settings.Channel);
    ini.WriteInteger("FlashSetting", "Bank", settings.Bank);
    ini.WriteInteger("FlashSetting", "DrvCurrent", settings.DrvCurrent);
    return ini.Save(path);
}

}  // namespace qx::station
