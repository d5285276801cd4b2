// What a drive does with the commands a host sends it over Bulk-Only
// Transport. Each command block goes to the rack through an open of the
// drive's path, as the in-process programs' requests do, so it meets the
// drive's front end, its fault rules and the request log. The sense of a
// failed command is kept for the host's REQUEST SENSE, which is how a USB
// mass-storage device hands sense over.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "platform/device_io.h"
#include "sim/gadget/bot_wire.h"

namespace qx::sim {

// The host's own time-out decides how long it waits; the drive is told a
// wait longer than any host's, so a hung command lasts until the host gives
// up and resets the device (which cancels the serving thread's token).
inline constexpr std::chrono::seconds kGadgetRequestWait{3600};

struct BotOutcome {
    CswStatus status = CswStatus::Passed;
    std::uint32_t transferred = 0;   // data-in bytes to send, or data-out bytes the drive took
};

class BotTarget {
public:
    BotTarget(platform::DeviceIo& devices, std::string path);

    // data is the data phase: dataLength bytes the host sent (out), or a
    // buffer of dataLength bytes to fill (in).
    BotOutcome Execute(const Cbw& cbw, std::span<std::uint8_t> data);

    // Sense of the last failed command, until REQUEST SENSE or the next
    // command takes it. A host reset clears it.
    std::span<const std::uint8_t> PendingSense() const { return {sense_.data(), senseLength_}; }
    void ClearSense() { senseLength_ = 0; }

private:
    BotOutcome RequestSense(const Cbw& cbw, std::span<std::uint8_t> data);
    BotOutcome Check(std::span<const std::uint8_t> sense);

    platform::DeviceIo& devices_;
    std::string path_;
    std::array<std::uint8_t, 32> sense_{};
    std::size_t senseLength_ = 0;
};

}  // namespace qx::sim
