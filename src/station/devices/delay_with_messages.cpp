#include "station/devices/delay_with_messages.h"

#include <QCoreApplication>
#include <algorithm>

#include "platform/clock.h"

namespace qx::station {

namespace {
constexpr std::uint64_t kSliceMs = 10;   // how often the events are looked at
}

std::uint64_t DelayWithMessages(std::uint64_t ms) {
    platform::Clock& clock = platform::CurrentClock();
    const std::uint64_t start = clock.NowMs();
    for (;;) {
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
        const std::uint64_t elapsed = clock.NowMs() - start;
        if (elapsed >= ms) return elapsed;
        clock.Wait(std::min(kSliceMs, ms - elapsed));
    }
}

}  // namespace qx::station
