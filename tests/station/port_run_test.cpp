// A port's worker state: Running ends once, as Finished or as Killed, and
// nothing the worker writes after a kill lands.
#include <gtest/gtest.h>

#include <atomic>

#include "station/run/port_run.h"
#include "station/run/run_controller.h"

namespace qx::test {
namespace {

station::ThreadLauncher Launch() {
    return [](std::function<void()> body) { return std::thread(std::move(body)); };
}

TEST(PortRun, FinishAndKillEachWinOnlyFromRunning) {
    station::PortRun run;
    std::atomic<bool> go{false};
    ASSERT_TRUE(run.Start([&] { while (!go) std::this_thread::yield(); }, Launch()));
    EXPECT_TRUE(run.Running());
    const unsigned generation = run.Generation();
    int marks = 0;
    EXPECT_TRUE(run.Kill([&] { ++marks; }));
    EXPECT_TRUE(run.Token().Cancelled());
    EXPECT_FALSE(run.Kill([&] { ++marks; })) << "a second kill marks nothing";
    EXPECT_EQ(marks, 1);
    EXPECT_FALSE(run.Finish()) << "the worker cannot end a killed run as finished";
    EXPECT_FALSE(run.Write([] { ADD_FAILURE() << "a write after the kill"; }));
    EXPECT_FALSE(run.Deliverable(generation));
    go = true;
    run.Join();

    // The next start joins, resets the token and counts a new generation.
    ASSERT_TRUE(run.Start([] {}, Launch()));
    EXPECT_FALSE(run.Token().Cancelled());
    EXPECT_EQ(run.Generation(), generation + 1);
    EXPECT_FALSE(run.Deliverable(generation)) << "an update of the old run";
    run.Join();
    EXPECT_TRUE(run.Finish());
    EXPECT_FALSE(run.Kill([&] { ++marks; })) << "a watchdog after the end";
    EXPECT_TRUE(run.Deliverable(generation + 1)) << "a finished run's last updates still arrive";
}

TEST(PortRun, AThreadThatCannotStartLeavesThePortIdle) {
    station::PortRun run;
    const bool started = run.Start([] {}, [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    EXPECT_FALSE(started);
    EXPECT_EQ(run.State(), station::WorkerState::Idle);
}

TEST(PortRun, ARunStartClearsResultsButKeepsTheErrorCode) {
    PortRecord rec{};
    rec.StepStatus.fill(kStepFailed);
    rec.BadUnitCount = 3, rec.BadUnitIndex = 2, rec.PendingYield = -1;
    rec.OverallResult = kResultFail;
    rec.ErrorCode = rec.DisplayCode = 7;
    station::ResetForRun(rec);
    for (std::size_t i = 1; i < rec.StepStatus.size(); ++i) EXPECT_EQ(rec.StepStatus[i], kStepOff) << i;
    EXPECT_EQ(rec.BadUnitCount, 0);
    EXPECT_EQ(rec.BadUnitIndex, 0);
    EXPECT_EQ(rec.PendingYield, 0);
    EXPECT_EQ(rec.OverallResult, kResultNone);
    EXPECT_EQ(rec.ErrorCode, 7);
    EXPECT_EQ(rec.DisplayCode, 7);
}

}  // namespace
}  // namespace qx::test
