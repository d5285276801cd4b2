// What the host sees first of a drive on a USB port: the bridge's device,
// or the controller's own USB interface. The rack's USB tree and the gadget
// that serves a drive on a real bus both take the drive's device from here.
#pragma once

#include "sim/config/drive_config.h"
#include "sim/rack/sim_usb_tree.h"

namespace qx::sim {

inline constexpr std::uint16_t kBridgeUsbVendor = 0x174C;
inline constexpr std::uint16_t kControllerUsbVendor = 0x1D7E;
inline constexpr std::uint16_t kBridgeUsbProduct = 0x1153;
inline constexpr std::uint16_t kControllerUsbProduct = 0x1000;

// Vendor, product, strings and serial; no driver key.
SimUsbDevice UsbDeviceOf(const DriveConfig& cfg);

}  // namespace qx::sim
