// The transfer state one drive's work may change while 49 others run: the
// tunnel TransferMode and the dump switch its table read-back raises. Both
// live with the slot, so one drive's firmware download never changes how
// another slot tunnels its commands (see qxlib/base/switches.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

// A run starts on the slot: its tunnel mode becomes the process-wide
// TransferMode the settings load wrote, and its dumps follow [RDSetting]
// DumpDebugFile again. The run controller calls it for each drive before
// the drive's worker starts.
void SeedSlotTransfer(int slot);

// The tunnel mode of the slot's vendor commands: its own once seeded or
// changed, the process-wide TransferMode before. 0 outside the table.
std::uint8_t TransferModeOf(int slot);
// Ignored outside the table.
void SetSlotTransferMode(int slot, std::uint8_t mode);

// Dumps of the slot's work are written: [RDSetting] DumpDebugFile, or the
// slot's own switch.
bool SlotDumpsOn(int slot);
// The slot's own dump switch, raised by its table read-back; it stays until
// the next SeedSlotTransfer.
void KeepSlotDumpsOn(int slot);

// WriteDebugDump on behalf of a slot: written when SlotDumpsOn(slot).
void WriteDebugDump(int slot, const char* name, const void* data, std::size_t length);

}  // namespace qx
