// The rack's shared host bus: transfers book it one after another, so
// drives moving data at once wait for each other, and an idle bus costs a
// transfer only its own length.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sim/rack/host_bus.h"

namespace qx::sim {
namespace {

TEST(HostBus, TransfersQueueBehindEachOtherAndAnIdleBusStartsNow) {
    HostBus bus;
    EXPECT_EQ(bus.Book(1000, 4096), 1000) << "off: costs nothing";
    bus.SetMbps(8);   // one byte a microsecond
    EXPECT_EQ(bus.Book(1000, 0), 1000) << "no data, no booking";
    EXPECT_EQ(bus.Book(1000, 100), 1100);
    EXPECT_EQ(bus.Book(1000, 100), 1200) << "a second drive at the same moment waits for the first";
    EXPECT_EQ(bus.Book(1150, 50), 1250);
    EXPECT_EQ(bus.Book(5000, 100), 5100) << "the bus was idle: starts at once";
}

// Fifty drives booking at once: every byte is booked once, none overlaps.
TEST(HostBus, ParallelBookingsAddUp) {
    HostBus bus;
    bus.SetMbps(8);
    constexpr int kThreads = 50, kEach = 200;
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&bus] {
                for (int i = 0; i < kEach; ++i) bus.Book(0, 10);
            });
    }
    EXPECT_EQ(bus.Book(0, 10), 10 * (kThreads * kEach + 1));
}

}  // namespace
}  // namespace qx::sim
