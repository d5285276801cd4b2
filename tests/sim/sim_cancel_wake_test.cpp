// A request hung on the real clock ends as soon as the watchdog cancels its
// worker, whatever its time-out: the wait wakes on the cancel, it does not
// poll for it. (Broken, this test hangs for an hour.)
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "sim_test_support.h"

namespace qx::sim::test {
namespace {

TEST(CancelWake, AHungRequestEndsWhenItsWorkerIsCancelled) {
    SimRack rack;
    ScopedRack scoped(rack);
    SimDrive& d = rack.AddDrive(kBridgePath, DriveConfig{});
    d.AddFault(FaultRule::Of(FaultKind::Hang).OnOpcode(0x12).Errno(ETIMEDOUT));
    platform::CancelToken token;
    std::atomic<bool> sending{false};
    platform::ScsiResult result;
    std::jthread worker([&] {
        platform::CancelScope scope(token);
        Bytes inquiry(36);
        sending = true;
        result = SendScsi(kBridgePath, {0x12, 0, 0, 0, 36, 0}, platform::Direction::In, inquiry, 3600);
    });
    while (!sending) std::this_thread::yield();
    token.Cancel();
    worker.join();
    EXPECT_EQ(result.error, ETIMEDOUT);

    // A wait that starts after the cancel does not sleep at all.
    platform::CancelScope scope(token);
    EXPECT_FALSE(platform::CurrentClock().Wait(3'600'000));
    token.Reset();
    EXPECT_TRUE(platform::CurrentClock().Wait(1));
}

}  // namespace
}  // namespace qx::sim::test
