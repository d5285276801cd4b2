// How the diagnostic program's actions end on this drive's NAND: erase,
// pre-format and bad-block rebuild judge the drive's bad blocks against the
// defect ratio the station wrote into the program's parameter area, and leave
// their findings as scan records in the error information.
#pragma once

#include <cstdint>

namespace qx::sim {

class DriveModel;

inline constexpr std::uint8_t kEraseFailed = 0x0F;
inline constexpr std::uint8_t kPreFormatFailed = 0x0B;
inline constexpr std::uint8_t kRebuildFailed = 0x13;

// The final status of the action (1..4) with its flag byte; fills
// m.errorInfo (count byte, then 16-byte records) when the action fails.
std::uint8_t ActionOutcome(DriveModel& m, std::uint8_t action, std::uint8_t flags);

// Bad blocks of one chip enable as the program counts them.
std::uint32_t BadBlocksOf(const DriveModel& m, std::uint8_t channel, std::uint8_t ce);

}  // namespace qx::sim
