// Process-wide switches that many threads read while workers run.
//
// RULE: no production step writes a process-wide switch. The settings load
// writes these (and the run controller SkipEarlyBadCount, the port setup
// ForcePioTransfer, both before any worker starts); a worker only reads them.
// What one drive's work changes lives with its slot (DeviceSlot::TransferMode,
// DeviceSlot::DumpDebugFile, through qxlib/transport/slot_transfer.h) or in
// the worker's own StepContext, so one drive's firmware download never
// changes how the other 49 tunnel their commands.
#pragma once

#include <atomic>
#include <cstdint>

namespace qx {

// [Setting] EnOutputDbgMsg: DebugPrint also appends to "DbgMsg.txt".
extern std::atomic<bool> DebugToFile;
// [RDSetting] DumpDebugFile: intermediate buffers go to fixed-name raw dump
// files. A slot's table read-back turns dumps on for that slot only.
extern std::atomic<bool> DumpDebugFile;
// How vendor data is tunnelled on the SATA path: 0 PIO (0xC4/0xC5),
// 1 vendor PIO (0x8A/0x8F), 2 vendor UDMA (0x86/0x88); other values act as 0.
// The settings' choice ([Setting] SataBusMode): each slot is seeded from it
// when a run starts and then keeps its own (SeedSlotTransfer).
extern std::atomic<std::uint8_t> TransferMode;
// Set by the port setup for bridges that need the PIO tunnel (types 1 and
// 14): the firmware download and upload then keep a slot's TransferMode at 1.
extern std::atomic<bool> ForcePioTransfer;
// Set by the run controller (special mode, download without pre-format): the
// firmware download leaves each slot's early-bad count at 0.
extern std::atomic<bool> SkipEarlyBadCount;

}  // namespace qx
