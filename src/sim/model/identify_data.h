// The 512-byte IDENTIFY DEVICE data and the SMART data pages the drive
// returns, built from its configuration and state.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "sim/media/user_sectors.h"

namespace qx::sim {

class DriveModel;

// ATA string: two characters per word, the first in the high byte, padded
// with blanks.
void PutAtaString(Sector& s, int firstWord, int words, std::string_view text);
// The text PutAtaString stored, without its padding blanks.
std::string GetAtaString(const Sector& s, int firstWord, int words);

Sector BuildIdentify(const DriveModel& m);
Sector BuildSmartData(const DriveModel& m);
Sector BuildSmartThresholds(const DriveModel& m);

}  // namespace qx::sim
