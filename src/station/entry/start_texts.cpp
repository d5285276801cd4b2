#include "station/entry/start_texts.h"

#include <cstdio>

namespace qx::station {

CaptionTexts ShowCaptionString(bool singleBankBuild, const std::string& interfaceWord, const std::string& workOrder,
                               const std::string& partNo, const std::string& weekCode) {
    CaptionTexts texts;
    texts.title = std::string("Quorlix ") + (singleBankBuild ? "849" : "849K") + " " + interfaceWord + " M.P. Tool " +
                  kStationVersion;
    texts.caption = texts.title;
    if (!workOrder.empty() && !partNo.empty() && !weekCode.empty()) {
        texts.caption += " Worker Order: " + workOrder + " Part No: " + partNo + " Week Code: " + weekCode;
    }
    return texts;
}

std::optional<std::string> PortLimitMessage(int portCount) {
    if (portCount <= kMaxStationPorts) return std::nullopt;
    char text[128];
    std::snprintf(text, sizeof text,
                  "Up to the limitation of total port number(%d), Please remove the usb hub! (%d)", kMaxStationPorts,
                  portCount);
    return std::string(text);
}

}  // namespace qx::station
