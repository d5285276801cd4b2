// What sits between the PC and the controller, told by the chip tag the USB
// device puts after the product revision of its INQUIRY data.
#pragma once

#include <cstdint>
#include <span>

namespace qx {

// 0 unknown; 10 the controller's own USB interface (the USB path); every
// other value a USB-to-SATA bridge in front of the drive (the SATA path).
enum BridgeType : int {
    kBridgeUnknown = 0,
    kBridgeQ461 = 1,
    kBridgeQ465 = 4,
    kBridgeQ455 = 7,
    kBridgeQ478 = 8,
    kBridgeQ462 = 9,
    kBridgeUsbNative = 10,
    kBridgeQ735 = 11,
    kBridgeQ767 = 12,
    kBridgeQ78x = 13,
    kBridge05E3 = 14,
};

inline constexpr std::size_t kInquiryTagOffset = 36;
inline constexpr std::size_t kInquiryTagLength = 4;

// The tag table applied to INQUIRY data (40 bytes; shorter data is unknown),
// then EnNoCheckBridge: every type but 10 becomes 7.
int BridgeTypeFromInquiry(std::span<const std::uint8_t> inquiry, bool noCheckBridge);

// INQUIRY through the slot (whose InterfacePath is set and UsbPath is 1),
// with [Setting] EnNoCheckBridge.
int GetBridgeChipType(int slot);

bool IsSataBridgeType(int type);

}  // namespace qx
