// Work a production worker hands to other parts of the station: the RDT
// report written before the steps and the drive image copy. A hook that is
// not set fails what needed it with that step's own error item, so a station
// without the feature never passes a drive it did not check.
#pragma once

#include <functional>
#include <string>

#include "station/run/worker_context.h"

namespace qx::station {

struct WorkerHooks {
    // Writes the drive's RDT report without showing it, from the worker's
    // own copies of the settings and configuration and its scratch buffer;
    // false: not written.
    std::function<bool(int port, WorkerContext& ctx)> dumpRdtResult;
    // Writes the image file onto the disk / finds its pattern there again.
    std::function<bool(const std::string& diskPath, const std::string& imagePath)> flushImage;
    std::function<bool(const std::string& diskPath)> checkImagePattern;
};

}  // namespace qx::station
