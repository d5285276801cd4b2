// What the controller can drive: at most 8 channels, 8 banks (chip enables)
// a channel and 4 dies a CE, and 16384 blocks a CE. The counts of a drive's
// system record are bytes the drive sends; the pages that read a table per
// channel and CE row, or lay one cell out per channel and CE row, build
// nothing for counts beyond these and say so instead.
#pragma once

#include <string>

namespace qx {
struct FlashConfig;
}

namespace qx::utility {

inline constexpr unsigned kMaxChannels = 8;
inline constexpr unsigned kMaxBanks = 8;
inline constexpr unsigned kMaxDiesPerCe = 4;
inline constexpr unsigned kMaxBlocksPerCe = 16384;

// Empty when the counts are within the bounds; otherwise the line the page
// shows in place of its table.
std::string FlashGeometryFault(unsigned channels, unsigned banks, unsigned dies);
std::string FlashGeometryFault(const FlashConfig& config);

}  // namespace qx::utility
