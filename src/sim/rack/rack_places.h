// Where the drives of a rack description sit, checked before anything is
// built from it: a drive is in one place (one USB port, or one line of
// [disks]), a port holds one drive or one hub, and a hub has the ports a
// hub descriptor can count. A drive in two places would be produced twice
// in one round under one serial.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sim/rack/ini_text.h"

namespace qx::sim {

// "H.P" of a hub line or a port line: hub from 0, port from 1; nullopt for
// anything else.
std::optional<std::pair<int, int>> ParseHubPort(const std::string& text);

// "N" of "root=N" or "hub=H.P:N": 1..255 (the descriptor's one byte).
std::optional<int> HubPortCount(const std::string& text);
inline constexpr const char* kHubPortCountWhy = "a hub has 1 to 255 ports";

// False, with the section, the line and why, for the first drive placed
// twice, port taken twice or hub of no countable ports. Lines the machine
// cannot read at all are left to it (sim_machine.h), which says so.
bool CheckRackPlaces(const std::vector<IniSection>& sections, std::string* error);

}  // namespace qx::sim
