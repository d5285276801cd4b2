// The names a drive gives in INQUIRY bytes 8..31 and as its USB strings: the
// ones its description sets, or, left empty, those of its front end. A
// bridge names itself; the controller's own USB interface, running the
// firmware, names the drive (its loader has a fixed name of its own).
#pragma once

#include <string_view>

#include "sim/config/drive_config.h"

namespace qx::sim {

inline constexpr std::string_view kBridgeInquiryVendor = "QX";
inline constexpr std::string_view kBridgeInquiryProduct = "SATA Bridge";
inline constexpr std::string_view kControllerInquiryVendor = "QUORLIX";
inline constexpr std::string_view kControllerInquiryProduct = "QXF84X USB";

inline std::string_view InquiryVendorOf(const DriveConfig& cfg) {
    if (!cfg.inquiryVendor.empty()) return cfg.inquiryVendor;
    return cfg.frontEnd == FrontEnd::Bridge ? kBridgeInquiryVendor : kControllerInquiryVendor;
}

inline std::string_view InquiryProductOf(const DriveConfig& cfg) {
    if (!cfg.inquiryProduct.empty()) return cfg.inquiryProduct;
    return cfg.frontEnd == FrontEnd::Bridge ? kBridgeInquiryProduct : kControllerInquiryProduct;
}

}  // namespace qx::sim
