// Bulk-Only Transport on the wire: the 31-byte command block wrapper the
// host sends and the 13-byte status wrapper the device answers with.
//
//   CBW  0: "USBC"  4: tag  8: data transfer length (LE)  12: flags (bit 7 = in)
//       13: LUN  14: CDB length (1..16)  15..30: CDB
//   CSW  0: "USBS"  4: tag (echoed)  8: residue (LE)  12: status
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/device_io.h"

namespace qx::sim {

inline constexpr std::size_t kCbwLength = 31;
inline constexpr std::size_t kCswLength = 13;

enum class CswStatus : std::uint8_t { Passed = 0, Failed = 1, PhaseError = 2 };

struct Cbw {
    std::uint32_t tag = 0;
    std::uint32_t dataLength = 0;
    platform::Direction dir = platform::Direction::None;   // None when dataLength is 0
    std::uint8_t lun = 0;
    std::vector<std::uint8_t> cdb;                          // cdbLength bytes
};

// Empty when the bytes are no valid wrapper (wrong length or signature, a
// CDB length outside 1..16): the host then gets no answer, as Bulk-Only
// Transport has it, and recovers with a reset.
std::optional<Cbw> ParseCbw(std::span<const std::uint8_t> bytes);

std::array<std::uint8_t, kCswLength> BuildCsw(std::uint32_t tag, std::uint32_t residue, CswStatus status);

}  // namespace qx::sim
