// The blobs a FunctionFS function writes to its ep0 before the gadget can
// bind: one mass-storage interface (SCSI transparent, Bulk-Only Transport)
// with a bulk IN endpoint (ep1) and a bulk OUT endpoint (ep2) at full, high
// and super speed, and the interface's string.
#pragma once

#include <cstdint>
#include <vector>

namespace qx::sim {

inline constexpr std::uint8_t kBotInEndpoint = 0x81;    // the function's "ep1" file
inline constexpr std::uint8_t kBotOutEndpoint = 0x02;   // its "ep2" file

std::vector<std::uint8_t> BotFunctionDescriptors();
std::vector<std::uint8_t> BotFunctionStrings();

}  // namespace qx::sim
