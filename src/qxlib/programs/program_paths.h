// Where the controller programs are read from. The station sets both paths
// at start (program folder + "GDP.bin", "satatest.bin"); the utility sets the
// diagnostic program's when it needs it. Set on the window thread, read by
// the workers.
#pragma once

#include <string>

namespace qx {

// An older build of the diagnostic program that one step still boots; read
// from the working folder.
inline constexpr char kOldGdpImageName[] = "GDP_OLD.bin";

void SetGdpImagePath(std::string path);
std::string GdpImagePath();
void SetTestImagePath(std::string path);
std::string TestImagePath();

}  // namespace qx
