// A step that waits gives up when the worker is cancelled (the watchdog
// fired): it returns promptly, in virtual time, and reports failure.
#include <gtest/gtest.h>

#include "diagnostics/diag_fixture.h"
#include "diagnostics/step_runner.h"

namespace qx::test {
namespace {

// The virtual clock, except that the wait that would pass the limit (or a
// wait of the given length) cancels the worker's token instead, as the
// watchdog would at that moment.
class WatchdogClock final : public platform::Clock {
public:
    WatchdogClock(platform::VirtualClock& base, platform::CancelToken& token, std::uint64_t limitMs,
                  std::uint64_t cancelWaitOfMs)
        : base_(base), token_(token), limit_(base.NowMs() + limitMs), cancelWaitOf_(cancelWaitOfMs) {}
    std::uint64_t NowMs() override { return base_.NowMs(); }
    bool Wait(std::uint64_t ms) override {
        if (token_.Cancelled()) return false;
        if (base_.NowMs() + ms > limit_ || ms == cancelWaitOf_) {
            token_.Cancel();
            return false;
        }
        return base_.Wait(ms);
    }
private:
    platform::VirtualClock& base_;
    platform::CancelToken& token_;
    std::uint64_t limit_;
    std::uint64_t cancelWaitOf_;
};

class CancelTest : public DiagFixture {};

TEST_F(CancelTest, AWaitingStepEndsWhenCancelled) {
    constexpr std::uint64_t kWatchdogMs = 60'000;
    for (Step s : {Step::Dram, Step::Rebuild, Step::PreFormat, Step::Module})
        for (int slot : kBothSlots) {
            SCOPED_TRACE(::testing::Message() << StepName(s) << ", slot " << slot);
            Drive(slot, [](sim::DriveModel& m) { m.cfg.busyPolls = -1; });
            platform::CancelToken token;
            // The flash module test has no busy program to wait on: its own
            // one-second wait is cancelled.
            WatchdogClock clock(clock_, token, kWatchdogMs, s == Step::Module ? 1'000 : 0);
            platform::SetClock(&clock);
            const std::uint64_t start = clock_.NowMs();
            bool passed = true;
            {
                platform::CancelScope scope(token);
                passed = RunStep(s, slot, Ctx()).passed;
            }
            platform::SetClock(&clock_);
            EXPECT_FALSE(passed);
            EXPECT_TRUE(token.Cancelled());
            EXPECT_LE(clock_.NowMs() - start, kWatchdogMs);
            Drive(slot, [](sim::DriveModel& m) { m.cfg.busyPolls = 0; });
        }
}

}  // namespace
}  // namespace qx::test
