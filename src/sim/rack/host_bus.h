// The host's USB controller that all drives of a rack hang off: with
// "[rack] bus_mbps=N" every request's data crosses one link of N megabits a
// second, shared by all drives, as fifty drives on one controller share it.
// Off (0) by default.
//
// The bus is one shared object, so it is kept to one atomic: the time at
// which the bus is next free. A transfer books the bus from that time (or
// from now, when the bus is idle) for its length, then waits until its
// booking ends.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace qx::sim {

class HostBus {
public:
    void SetMbps(double mbps) { mbps_.store(mbps, std::memory_order_relaxed); }
    double Mbps() const { return mbps_.load(std::memory_order_relaxed); }

    // Books the bus for bytes from nowMicros on; returns when the booking
    // ends (nowMicros when the bus is off or nothing moves).
    std::int64_t Book(std::int64_t nowMicros, std::size_t bytes);

private:
    std::atomic<double> mbps_{0};
    std::atomic<std::int64_t> freeAtMicros_{0};
};

// The rack's bus (set when a rack is loaded, like the device time).
HostBus& RackBus();

// Crosses the rack's bus with bytes of data on the real clock: waits for the
// booking's end; a cancelled worker stops waiting.
void SpendBusTime(std::size_t bytes);

}  // namespace qx::sim
