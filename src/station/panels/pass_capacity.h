// The capacity a passed drive reports once it has left its loader, for the
// "Pass - %d MB" caption ([Setting] EnShowCapacityAfterMPPass).
#pragma once

namespace qx {
struct FlashConfig;
}

namespace qx::station {

// Takes the drive on `slot` into its firmware, then reads its capacity in
// whole MB (0 when it does not answer).
int CapacityAfterLeavingLoader(int slot, const FlashConfig& config);

}  // namespace qx::station
