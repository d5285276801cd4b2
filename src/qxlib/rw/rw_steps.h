// The production steps that check a drive running its firmware as a disk:
// the sampled read/write test, the erase by writing 0xFF everywhere and the
// temperature check from SMART. Each returns true on a pass; a failed
// transfer or comparison leaves an RWErrorRecord at the start of the
// scratch buffer.
#pragma once

#include <cstdint>

#include "qxlib/diagnostics/diagnostic_steps.h"

namespace qx {

// Every stride-th gigabyte (about sixteen of them, whatever the drive's
// size) at fixed places, then LBA 0 and the last sector; every place tested
// is left zero-filled. A drive whose capacity cannot be read fails.
bool ReadWriteTest(int slot, const StepContext& ctx);
// Writes 0xFF over every sector the drive reports, 128 sectors a command.
bool FillDiskWithFF(int slot);
// SMART attribute 194's low raw byte, or 0 when the drive gives none (a
// USB-path slot, a failed read); passes when it is at most maxTemperature.
bool CheckTemperature(int slot, const StepContext& ctx, std::uint8_t maxTemperature, std::uint8_t* temperature);

}  // namespace qx
