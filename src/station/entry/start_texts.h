// Texts of the station's start-up: the window caption and application title,
// and the refusal when more ports are found than the station can serve.
#pragma once

#include <optional>
#include <string>

namespace qx::station {

inline constexpr int kMaxStationPorts = 50;
inline constexpr char kStationVersion[] = "A.2.03.107";

struct CaptionTexts {
    std::string caption;   // the window's caption
    std::string title;     // the application's title: never the work-order parts
};

// "Quorlix 849K SATA M.P. Tool A.2.03.107" ("849" in the single-bank build),
// with " Worker Order: ", " Part No: " and " Week Code: " parts on the
// caption when all three texts are given.
CaptionTexts ShowCaptionString(bool singleBankBuild, const std::string& interfaceWord, const std::string& workOrder,
                               const std::string& partNo, const std::string& weekCode);

// The message for more than 50 ports; nothing for 50 or fewer.
std::optional<std::string> PortLimitMessage(int portCount);

}  // namespace qx::station
