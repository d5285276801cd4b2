// A drive's configuration and fault rules as lines of the rack description.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/config/faults.h"
#include "sim/rack/ini_text.h"
#include "sim/config/drive_config.h"

namespace qx::sim {

void ConfigToIni(const DriveConfig& cfg, IniSection& out);
// Keys not given keep their defaults; false (with a message naming the
// section and key) on a bad value or one no drive of the family can have
// (drive_limits.h).
bool ConfigFromIni(const IniSection& in, DriveConfig& cfg, std::string* error);
// Whether a drive description knows the key: a misspelt key given by hand
// must be refused, not quietly leave the drive at its default.
bool IsDriveConfigKey(std::string_view key);

// "kind opcode=0x28 sub=0x84 skip=0 count=-1 errno=5 ata=0x04 ms=0 sense=70000500"
std::string FaultToText(const FaultRule& rule);
std::optional<FaultRule> FaultFromText(std::string_view text);

}  // namespace qx::sim
