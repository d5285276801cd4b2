#include "qxlib/transport/slot_transfer.h"

#include "qxlib/base/debug_dump.h"
#include "qxlib/base/switches.h"
#include "qxlib/transport/device_slot.h"

namespace qx {

void SeedSlotTransfer(int slot) {
    if (DeviceSlot* s = WritableSlot(slot)) {
        s->TransferMode = TransferMode.load();
        s->DumpDebugFile = false;
    }
}

std::uint8_t TransferModeOf(int slot) {
    if (!IsSlot(slot)) return 0;
    const int own = SlotOf(slot).TransferMode.load();
    return own == kTransferModeFromSettings ? TransferMode.load() : static_cast<std::uint8_t>(own);
}

void SetSlotTransferMode(int slot, std::uint8_t mode) {
    if (DeviceSlot* s = WritableSlot(slot)) s->TransferMode = mode;
}

bool SlotDumpsOn(int slot) { return DumpDebugFile.load() || SlotOf(slot).DumpDebugFile.load(); }

void KeepSlotDumpsOn(int slot) {
    if (DeviceSlot* s = WritableSlot(slot)) s->DumpDebugFile = true;
}

void WriteDebugDump(int slot, const char* name, const void* data, std::size_t length) {
    if (SlotDumpsOn(slot)) WriteDumpFile(name, data, length);
}

}  // namespace qx
