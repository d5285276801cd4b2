#include "qxlib/discovery/bridge_type.h"

#include <array>
#include <cstring>
#include <string_view>

#include "qxlib/transport/ata_scsi_commands.h"
#include "qxlib/settings/settings_switches.h"

namespace qx {
namespace {

// Compared in this order; the first match wins. An empty tag with a
// three-character tail matches bytes 37..39 whatever byte 36 holds.
struct TagRule {
    std::string_view tag;       // four bytes at 36..39, or empty
    std::string_view tail;      // three bytes at 37..39, or empty
    int type;
};

constexpr std::string_view kTag05E3{"\x05\xE3\x07\x18", 4};

constexpr std::array<TagRule, 21> kTagTable{{
    {"q461", {}, kBridgeQ461},
    {"q462", {}, kBridgeQ462},
    {"q465", {}, kBridgeQ465},
    {"q455", {}, kBridgeQ455},
    {"q478", {}, kBridgeQ478},
    {"q735", {}, kBridgeQ735},
    {"q767", {}, kBridgeQ767},
    {"q755", {}, kBridgeQ767},
    {"q786", {}, kBridgeQ78x},
    {kTag05E3, {}, kBridge05E3},
    {{}, "783", kBridgeQ78x},
    {{}, "784", kBridgeQ78x},
    {{}, "785", kBridgeQ78x},
    {{}, "786", kBridgeQ78x},
    {"q780", {}, kBridgeQ78x},
    {"q781", {}, kBridgeQ78x},
    {"q814", {}, kBridgeUsbNative},
    {"F81X", {}, kBridgeUsbNative},
    {"elm ", {}, kBridgeUsbNative},
    {"q82x", {}, kBridgeUsbNative},
    {"F82X", {}, kBridgeUsbNative},
}};

}  // namespace

int BridgeTypeFromInquiry(std::span<const std::uint8_t> inquiry, bool noCheckBridge) {
    int type = kBridgeUnknown;
    if (inquiry.size() >= kInquiryTagOffset + kInquiryTagLength) {
        const std::string_view tag(reinterpret_cast<const char*>(inquiry.data()) + kInquiryTagOffset, kInquiryTagLength);
        for (const auto& rule : kTagTable) {
            if (rule.tag.empty() ? tag.substr(1) == rule.tail : tag == rule.tag) {
                type = rule.type;
                break;
            }
        }
    }
    if (noCheckBridge && type != kBridgeUsbNative) type = kBridgeQ455;
    return type;
}

int GetBridgeChipType(int slot) {
    std::array<std::uint8_t, 64> inquiry{};
    // A failed INQUIRY may have left part of a reply; it counts as none.
    if (SCSI_Inquiry(slot, inquiry.data()) != 1) inquiry.fill(0);
    return BridgeTypeFromInquiry(std::span(inquiry).first(40), EnNoCheckBridge.load() != 0);
}

bool IsSataBridgeType(int type) {
    switch (type) {
        case kBridgeQ461: case kBridgeQ465: case kBridgeQ455: case kBridgeQ478: case kBridgeQ462:
        case kBridgeQ735: case kBridgeQ767: case kBridgeQ78x: case kBridge05E3:
            return true;
        default:
            return false;
    }
}

}  // namespace qx
