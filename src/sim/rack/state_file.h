// A drive's persistent state ("<name>.state" in the rack folder): a binary
// file of tagged records, so that only what the drive holds is stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx::sim {

class DriveModel;

bool SaveDriveState(const DriveModel& m, const std::string& file, std::string* error);
// The same in two halves: the file's bytes, taken while the drive is locked,
// and their one write, which needs no lock.
std::vector<std::uint8_t> DriveStateBytes(const DriveModel& m);
bool WriteDriveState(const std::vector<std::uint8_t>& bytes, const std::string& file, std::string* error);
// Restores what the file holds over a freshly configured drive. False,
// with the reason, for a file that is not a regular file, is cut short,
// is larger than the described drive can fill, or holds what the drive's
// description does not allow (a sector past its capacity, a flash page
// outside its geometry); nothing it says is allocated before it is read.
bool LoadDriveState(DriveModel& m, const std::string& file, std::string* error);

}  // namespace qx::sim
