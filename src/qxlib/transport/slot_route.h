// How one request reaches its drive, read from the slot table once and
// handed down through the builders, the tunnel and the dispatcher, so the
// layers of one request cannot disagree and none reads the table again.
#pragma once

#include <cstdint>

namespace qx {

struct SlotRoute {
    int Slot = -1;
    const char* Path = "";            // "": no drive, or a slot outside the table
    bool UsbPath = false;
    bool DirectAta = false;
    std::uint8_t TransferMode = 0;    // the slot's tunnel mode (TransferModeOf)
};

// A slot outside the table routes as an empty path: every request on it ends
// with the transport's -1.
SlotRoute RouteOf(int slot);

}  // namespace qx
