// The DPD/FTL block of the SSD Info page: 144 bytes of the controller-memory
// image from offset 0x500, nine lines of sixteen bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qx::utility {

inline constexpr std::size_t kDpdFtlStart = 0x500;
inline constexpr std::size_t kDpdFtlBytes = 144;

// image must hold at least kDpdFtlStart + kDpdFtlBytes bytes; shorter gives no lines.
std::vector<std::string> DpdFTLDump(std::span<const std::uint8_t> image);

}  // namespace qx::utility
