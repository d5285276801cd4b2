// What one production worker works with: its own copies of the settings
// record, the flash configuration and the download file list taken when the
// run starts, its own system information, and its 128 KB scratch buffer. No
// worker reads what another worker's drive changes.
#pragma once

#include <cstdint>
#include <vector>

#include "qxlib/diagnostics/diagnostic_steps.h"
#include "qxlib/programs/info_page.h"
#include "qxlib/programs/system_info.h"
#include "qxlib/settings/flash_config.h"
#include "qxlib/settings/global_parameter.h"
#include "qxlib/tables/drive_tables.h"
#include "station/views/station_view.h"

namespace qx::station {

inline constexpr std::size_t kScratchBytes = 128 * 1024;
inline constexpr std::size_t kClearedScratchBytes = 64 * 1024;

struct WorkerContext {
    GlobalParameter settings{};
    FlashConfig config{};
    BinFileList binFiles{};
    SystemInfo info{};
    RoundControls controls;
    std::vector<std::uint8_t> scratch = std::vector<std::uint8_t>(kScratchBytes);

    StepContext Step() { return StepContext{config, settings, scratch, 0}; }
    TableContext Tables() { return TableContext{config, settings, binFiles, info, scratch}; }
};

}  // namespace qx::station
