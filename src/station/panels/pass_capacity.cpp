#include "station/panels/pass_capacity.h"

#include <algorithm>
#include <vector>

#include "qxlib/settings/flash_config.h"
#include "qxlib/vendor_access/firmware_mode.h"
#include "qxlib/vendor_access/identify_capacity.h"

namespace qx::station {

int CapacityAfterLeavingLoader(int slot, const FlashConfig& config) {
    constexpr std::size_t kSector = 512;
    std::vector<std::uint8_t> page(std::max<std::size_t>(
        kSector, std::size_t{config.ChannelCount} * config.FlashGeometry.SectorsPerPage * kSector));
    EnterFirmwareMode(slot, config, page);
    return static_cast<int>(GetCapacityMB(slot));
}

}  // namespace qx::station
