// The steps about a drive's addressable range: offering only a set number of
// sectors, and the check that refuses a drive still holding an NTFS
// partition.
#pragma once

#include <cstdint>

#include "qxlib/diagnostics/diagnostic_steps.h"

namespace qx {

// sectorsHigh:sectorsLow is the 64-bit count of sectors the drive is to
// offer; counts below 0x0FFFFFFF use the 28-bit commands, the rest the
// 48-bit ones. A count of 0 is not refused here (the maximum address
// becomes all ones).
bool SetMaxLba(int slot, const StepContext& ctx, std::uint32_t sectorsLow, std::uint32_t sectorsHigh);
// True when LBA 0 holds a signed partition table with a type-7 entry; a
// failed read counts as none.
bool HasNtfsPartition(int slot);

}  // namespace qx
