#include "station/run/production_hooks.h"

#include "station/images/ghost_image.h"
#include "station/rdt/rdt_report.h"

namespace qx::station {

std::string ImageFilePath(const std::string& programFolder, const std::string& imagePath) {
    const bool absolute = imagePath.find(":\\") != std::string::npos || (!imagePath.empty() && imagePath[0] == '/');
    return absolute ? imagePath : programFolder + imagePath;
}

void InstallProductionHooks(RunController& controller, const std::string& folder) {
    // A folder given without its separator still holds the files beside
    // the program, not beside the folder.
    const std::string programFolder =
        folder.empty() || folder.back() == '/' || folder.back() == '\\' ? folder : folder + "/";
    WorkerHooks& hooks = controller.Hooks();
    // The report never holds a drive back: whatever it could not read or
    // write, the worker goes on with its steps.
    hooks.dumpRdtResult = [programFolder](int port, WorkerContext& ctx) {
        ShowRDTResult(port, ctx.Step(), programFolder);
        return true;
    };
    // An empty path names no image: nothing is written and the step fails.
    hooks.flushImage = [programFolder](const std::string& diskPath, const std::string& imagePath) {
        if (imagePath.empty()) return false;
        return FlushGhostImg(diskPath.c_str(), ImageFilePath(programFolder, imagePath).c_str());
    };
    hooks.checkImagePattern = [](const std::string& diskPath) { return CheckImgPattern(diskPath.c_str()); };
}

}  // namespace qx::station
