// What a drive of this controller family can be: the range of every number
// a rack description gives a drive, and the lists that must fall inside the
// drive's own flash geometry. A description outside them is refused when
// the rack loads, so no simulated drive is built from something the model
// (and no real drive) can be: a page of no sectors, a fifth channel, a bad
// block past the end of its chip.
#pragma once

#include <optional>
#include <string>

#include "sim/config/drive_config.h"

namespace qx::sim {

struct DriveLimitBreak {
    std::string key;   // the rack key at fault, as written in rack.ini
    std::string why;   // what a real drive has instead
};

// The first key of the configuration outside what a drive can be; nullopt
// when every key is within its range.
std::optional<DriveLimitBreak> CheckDriveLimits(const DriveConfig& cfg);

}  // namespace qx::sim
