#include "station/panels/pass_capacity.h"

#include <vector>

#include "qxlib/settings/flash_config.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"

namespace qx::station {

int CapacityAfterLeavingLoader(int slot, const FlashConfig& config) {
    std::vector<std::uint8_t> page(FirmwareModePageSize(config));
    EnterFirmwareMode(slot, config, page);
    return static_cast<int>(GetCapacityMB(slot));
}

}  // namespace qx::station
