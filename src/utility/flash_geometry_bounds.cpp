#include "utility/flash_geometry_bounds.h"

#include "qxlib/settings/flash_config.h"
#include "utility/pages/page_text.h"

namespace qx::utility {

std::string FlashGeometryFault(unsigned channels, unsigned banks, unsigned dies) {
    if (channels <= kMaxChannels && banks <= kMaxBanks && dies <= kMaxDiesPerCe) return {};
    return Printf("The drive reports %u channels, %u banks and %u dies a CE; the controller has at most %u, %u and %u. "
                  "No table is read.",
                  channels, banks, dies, kMaxChannels, kMaxBanks, kMaxDiesPerCe);
}

std::string FlashGeometryFault(const FlashConfig& config) {
    return FlashGeometryFault(config.ChannelCount, config.BankCount, config.FlashGeometry.DiesPerCe);
}

}  // namespace qx::utility
