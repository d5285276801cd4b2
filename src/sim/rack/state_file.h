// A drive's persistent state ("<name>.state" in the rack folder): a binary
// file of tagged records, so that only what the drive holds is stored.
#pragma once

#include <string>

namespace qx::sim {

class DriveModel;

bool SaveDriveState(const DriveModel& m, const std::string& file, std::string* error);
// Restores what the file holds over a freshly configured drive.
bool LoadDriveState(DriveModel& m, const std::string& file, std::string* error);

}  // namespace qx::sim
