// A pause on the window thread that keeps the window alive: it processes the
// pending events while the platform clock runs.
#pragma once

#include <cstdint>

namespace qx::station {

// Waits until at least ms have passed on the platform clock; returns the
// milliseconds that did pass.
std::uint64_t DelayWithMessages(std::uint64_t ms);

}  // namespace qx::station
