// The station's own work behind a worker's hooks: the RDT report written
// before the steps and the "Copy Image" restore. Installed once on the run
// controller by the main window; every call works on the worker's own
// copies, so all workers use the hooks at once.
#pragma once

#include <string>

#include "station/run/run_controller.h"

namespace qx::station {

// programFolder ends with a separator. The RDT report goes under it, and a
// relative image path ([TestItems] CopyImagePath) is taken from it.
void InstallProductionHooks(RunController& controller, const std::string& programFolder);

// The image file a "Copy Image" step restores: a path is used as it stands
// when it holds ":\" or starts with "/", else it is taken from the program
// folder.
std::string ImageFilePath(const std::string& programFolder, const std::string& imagePath);

}  // namespace qx::station
