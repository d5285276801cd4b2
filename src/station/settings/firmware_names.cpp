#include "station/settings/firmware_names.h"

#include <algorithm>

#include "qxlib/settings/flash_name_code.h"
#include "station/settings/settings_window_state.h"

namespace qx::station {

std::string SataFirmwareName(const FlashConfig& config, bool useDefaultName) {
    if (useDefaultName) return kDefaultFirmwareName;
    std::string name = "SYS_####.bin";
    BuildFlashNameCode(config, std::span<char>(name.data(), name.size()));
    return name;
}

std::string UsbFirmwareName(std::string_view sataName) {
    std::string name(sataName);
    if (name.size() > 4) name[4] = 'U';
    return name;
}

std::string DottedVersion(std::string_view version) {
    const auto part = [&](std::size_t at, std::size_t n) {
        return at < version.size() ? std::string(version.substr(at, n)) : std::string();
    };
    return part(0, 1) + "." + part(1, 2) + "." + part(3, std::string_view::npos);
}

std::string FirmwarePanelText(const FirmwareTexts& texts, bool sata, bool usb) {
    std::string sataEntry = texts.SataBinName;
    if (!texts.SataFwVersion.empty()) sataEntry += " (" + texts.SataHeaderText + ")";
    std::string usbEntry = texts.UsbBinName;
    if (!texts.UsbFwVersion.empty()) usbEntry += " (" + texts.UsbFwVersion + ")";
    if (sata && usb) return sataEntry + " / " + usbEntry;
    if (sata) return sataEntry;
    if (usb) return usbEntry;
    return {};
}

std::string VersionPanelText(std::string_view gdpFileName, const FirmwareTexts& texts) {
    return std::string(gdpFileName) + "(" + DottedVersion(texts.GdpVersion) + ")" + ", SYS(" +
           DottedVersion(texts.SataFwVersion) + ")" + " " + texts.BinInfoText;
}

std::string DecodeFirmwareName(std::string_view name) {
    // Table rows without a letter stand for nothing a name can say.
    const char geometry = name.size() > 6 ? name[6] : '\0';
    const char layout = name.size() > 7 ? name[7] : '\0';
    const auto names = FlashNameTable();
    const auto layouts = FlashChannelBankTable();
    std::string text;
    for (std::size_t i = 0; i < std::max(names.size(), layouts.size()); ++i) {
        if (i < names.size() && geometry != '\0' && names[i].Letter == geometry) {
            const FlashNameRow& r = names[i];
            text += "Block Unit:" + std::to_string(r.BlocksPerPlane) + "\n";
            text += "Block Page:" + std::to_string(r.PagesPerBlock) + "\n";
            text += "Page Size: " + std::to_string(r.PageSizeKB) + "K\n";
            text += "Die: " + std::to_string(r.Dies) + "\n";
            text += "Dieoffset?: " + std::to_string(r.DieOffsetUsed) + "\n";
            text += "OnePlane?: " + std::to_string(r.OnePlane) + "\n";
        }
        if (i < layouts.size() && layout != '\0' && layouts[i].Letter == layout) {
            text += "Channel:   " + std::to_string(layouts[i].Channels) + "\n";
            text += "Bank:      " + std::to_string(layouts[i].Banks) + "\n";
        }
    }
    return text;
}

}  // namespace qx::station
