#include "sim/rack/host_bus.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace qx::sim {
namespace {

std::int64_t NowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Shorter waits sleep whole: a cancellation comes too late to matter.
constexpr std::int64_t kCancellableFromMicros = 2000;

}  // namespace

std::int64_t HostBus::Book(std::int64_t nowMicros, std::size_t bytes) {
    const double mbps = Mbps();
    if (!(mbps > 0) || bytes == 0) return nowMicros;
    // N megabits a second move N / 8 bytes a microsecond.
    const auto length = static_cast<std::int64_t>(static_cast<double>(bytes) * 8.0 / mbps + 0.5);
    std::int64_t freeAt = freeAtMicros_.load(std::memory_order_relaxed);
    std::int64_t end = 0;
    do {
        end = std::max(nowMicros, freeAt) + length;
    } while (!freeAtMicros_.compare_exchange_weak(freeAt, end, std::memory_order_relaxed));
    return end;
}

HostBus& RackBus() {
    static HostBus bus;
    return bus;
}

void SpendBusTime(std::size_t bytes) {
    HostBus& bus = RackBus();
    if (!(bus.Mbps() > 0)) return;
    const std::int64_t now = NowMicros();
    const std::int64_t end = bus.Book(now, bytes);
    if (end - now >= kCancellableFromMicros) {
        static platform::SystemClock realClock;
        realClock.Wait(static_cast<std::uint64_t>((end - now) / 1000));
    }
    const std::int64_t left = end - NowMicros();
    if (left > 0 && !platform::CancelRequested()) std::this_thread::sleep_for(std::chrono::microseconds(left));
}

}  // namespace qx::sim
