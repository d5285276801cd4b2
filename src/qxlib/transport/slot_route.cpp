#include "qxlib/transport/slot_route.h"

#include "qxlib/transport/device_slot.h"
#include "qxlib/transport/slot_transfer.h"

namespace qx {

SlotRoute RouteOf(int slot) {
    const DeviceSlot& s = SlotOf(slot);
    SlotRoute r;
    r.Slot = slot;
    r.Path = SlotPath(slot);
    r.UsbPath = s.UsbPath != 0;
    r.DirectAta = s.DirectAta != 0;
    r.TransferMode = TransferModeOf(slot);
    return r;
}

}  // namespace qx
