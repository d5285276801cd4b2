// The read/write tests that show their own progress on the port's second
// gauge and cycle label.
#include <string>

#include "platform/clock.h"
#include "station/run/production_worker.h"

namespace qx::station {

namespace {

constexpr std::uint32_t kSectorsPerRequest = 128;
constexpr std::uint64_t kPauseBeforeReadMs = 3000;

// The gauge moves only when its whole percent changes, so a pass over a
// large drive posts about a hundred updates, not one per request.
class GaugeThrottle {
public:
    GaugeThrottle(PortChannel& channel, std::uint32_t maximum, std::uint32_t bgr)
        : channel_(channel), maximum_(maximum), bgr_(bgr) {
        channel_.RwGauge(maximum_, 0, bgr_);
    }
    void Move(std::uint64_t position) {
        const std::uint64_t percent = maximum_ ? position * 100 / maximum_ : 100;
        if (percent == shown_) return;
        shown_ = percent;
        channel_.RwGauge(maximum_, static_cast<std::uint32_t>(position), bgr_);
    }
private:
    PortChannel& channel_;
    std::uint32_t maximum_;
    std::uint32_t bgr_;
    std::uint64_t shown_ = 0;
};

std::uint64_t EndOf(std::uint64_t capacity, std::uint16_t percent) {
    return percent < 100 ? capacity * percent / 100 : capacity;
}

}  // namespace

bool ProductionWorker::RWTestPercentageWithProgress(std::uint16_t cycles, bool writeOnly, std::uint16_t percent) {
    const int port = setup_.port;
    const std::uint64_t capacity = ops_.CapacitySectors(port);
    // A drive that reports no capacity has not been tested at all.
    if (capacity == 0) return false;
    bool result = true;
    channel_.ShowRwProgress(true);
    const std::uint64_t end = EndOf(capacity, percent);
    auto pass = [&](bool write) {
        GaugeThrottle gauge(channel_, static_cast<std::uint32_t>(end), write ? kRed : kGreen);
        for (std::uint64_t lba = 0; lba < end;) {
            const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kSectorsPerRequest, end - lba));
            const bool ok = write ? ops_.WritePatternBlock(port, ctx_.scratch, n, static_cast<std::uint32_t>(lba))
                                  : ops_.ReadPatternBlock(port, ctx_.scratch, n, static_cast<std::uint32_t>(lba));
            if (!ok) return false;
            lba += n;
            gauge.Move(lba);
        }
        return true;
    };
    for (unsigned c = 1; c <= cycles; ++c) {
        channel_.CycleText(std::to_string(c) + "/" + std::to_string(cycles));
        if (!pass(true)) result = false;
        if (ops_.AtaFlushCache(port) != 1) {
            result = false;
            break;
        }
        if (!platform::SleepMs(kPauseBeforeReadMs)) {
            result = false;
            break;
        }
        if (!writeOnly && result && !pass(false)) result = false;
    }
    channel_.RwGauge(static_cast<std::uint32_t>(end), static_cast<std::uint32_t>(end), kGreen);
    channel_.ShowRwProgress(false);
    return result;
}

bool ProductionWorker::RTestCompareWithZeroValue(std::uint16_t percent) {
    const int port = setup_.port;
    const std::uint64_t capacity = ops_.CapacitySectors(port);
    if (capacity == 0) return false;
    bool result = true;
    channel_.ShowRwProgress(true);
    const std::uint64_t end = EndOf(capacity, percent);
    GaugeThrottle gauge(channel_, static_cast<std::uint32_t>(end), kGreen);
    for (std::uint64_t lba = 0; lba < end;) {
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kSectorsPerRequest, end - lba));
        if (!ops_.ReadCompareZero(port, ctx_.scratch, n, static_cast<std::uint32_t>(lba))) {
            result = false;
            break;
        }
        lba += n;
        gauge.Move(lba);
    }
    channel_.ShowRwProgress(false);
    return result;
}

}  // namespace qx::station
