// Firmware file names built from the chosen flash, the status-bar texts of
// the firmware files and versions, and the engineers' name decoder.
#pragma once

#include <string>
#include <string_view>

namespace qx {
struct FlashConfig;
}

namespace qx::station {

struct FirmwareTexts;

inline constexpr char kDefaultFirmwareName[] = "SYS_S.bin";

// "SYS_" + the four-letter code ("#" where no rule matches) + ".bin", or
// "SYS_S.bin" when the default name is in use.
std::string SataFirmwareName(const FlashConfig& config, bool useDefaultName);
// The same name with its fifth character replaced by "U".
std::string UsbFirmwareName(std::string_view sataName);

// "1.23.456" from "123456": first digit, dot, two digits, dot, the rest; an
// empty version shows as its two dots.
std::string DottedVersion(std::string_view version);

// Panel 1: the SATA entry and the USB entry joined by " / "; an entry is the
// name, with its version text in brackets when there is one.
std::string FirmwarePanelText(const FirmwareTexts& texts, bool sata, bool usb);
// Panel 2: "GDP.bin(x.xx.xxx), SYS(x.xx.xxx) info".
std::string VersionPanelText(std::string_view gdpFileName, const FirmwareTexts& texts);

// The geometry and channel/bank rows the seventh and eighth letters of a
// firmware name stand for, one "label value" line each; empty when nothing
// matches (a missing letter matches nothing).
std::string DecodeFirmwareName(std::string_view name);

}  // namespace qx::station
