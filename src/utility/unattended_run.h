// A run nobody watches (no display): the command-line words pick the drive
// themselves and the exit status says how they went.
#pragma once

#include <string>
#include <vector>

#include "utility/command_line.h"
#include "utility/device_entry.h"

namespace qx::utility {

struct CommandOutcome;

inline constexpr int kExitDone = 0;        // every word acted and succeeded
inline constexpr int kExitFailed = 1;      // test failed, dump not written, or the drive could not be read
inline constexpr int kExitNoDrive = 2;     // no drive listed (or, for "rwtest", more than one)
inline constexpr int kExitRunning = 3;     // another instance runs

// The row the words act on; -1 when they cannot choose, with the reason in
// *error: no drive, or "rwtest" with more than one drive (then every listed
// drive is named, one line each).
int UnattendedRow(const CommandLine& words, const DeviceListModel& list, std::string* error);

int UnattendedExitStatus(const CommandLine& words, const CommandOutcome& outcome);

}  // namespace qx::utility
