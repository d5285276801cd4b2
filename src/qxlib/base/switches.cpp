#include "qxlib/base/switches.h"

namespace qx {

std::atomic<bool> DebugToFile{false};
std::atomic<bool> DumpDebugFile{false};
// The station runs with the vendor UDMA tunnel unless the settings say otherwise.
std::atomic<std::uint8_t> TransferMode{2};
std::atomic<bool> ForcePioTransfer{false};
std::atomic<bool> SkipEarlyBadCount{false};

}  // namespace qx
