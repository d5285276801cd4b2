// What the run engine reads and writes of the station window's own state:
// the settings record, the flash configuration and the download file list
// the window keeps (workers take copies of them at their start), and the
// window's flags that a run asks about.
#pragma once

#include <string>

#include "qxlib/programs/info_page.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"

namespace qx::station {

struct StationState {
    StationState(GlobalParameter& s, FlashConfig& c, BinFileList& d) : settings(s), config(c), downloadFiles(d) {}

    GlobalParameter& settings;
    FlashConfig& config;
    BinFileList& downloadFiles;       // built by START, read by the download and upload
    std::string programFolder;        // the program's folder, ending with a separator
    bool specialMode = false;         // SpecialMode
    bool autoExecute = false;         // command line "AutoExecute"
    bool autoExecuteQuit = false;     // command line "AutoExecuteQuit"
    bool captureAppImage = false;     // command line "CaptureAppImage"
    std::string binVariantCode;       // decimal text of the firmware variant
    std::string sataBinName;          // firmware file names in the program folder
    std::string usbBinName;
};

}  // namespace qx::station
