// What a controller program makes of the parameter area the station wrote
// into its image before sending it: it drives the flash by those values, so
// when they do not describe this drive (its geometry, channels, chip enables
// or code blocks) the program cannot build its tables and every action fails.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qx::sim {

class DriveModel;

// Why the parameter area of the image in code RAM does not describe this
// drive; empty when it does. A program started without a downloaded image
// (set up directly by a test) has nothing to check.
std::string ProgramParamsMismatch(const DriveModel& m);

// The final status of a diagnostic action when the parameter area does not
// describe the drive (the action's failure status), with a "build table
// failed" scan record as the program's error information. Empty when the
// action may run.
std::optional<std::uint8_t> ParamsFailureStatus(DriveModel& m, std::uint8_t action);

}  // namespace qx::sim
