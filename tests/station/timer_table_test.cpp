// The window's timer table: one timer per id, 1..51, repeating until killed.
#include <QEventLoop>

#include "station/engine_fixture.h"
#include "station/run/timer_table.h"

namespace qx::test {
namespace {

TEST(TimerTable, ArmsKillsAndIgnoresUnknownIds) {
    EnsureQtApp();
    station::TimerTable timers([](int) {});
    timers.Arm(4, 300'000);
    timers.Arm(51, 1500);
    EXPECT_TRUE(timers.Active(4));
    EXPECT_EQ(timers.Interval(4), 300'000);
    EXPECT_EQ(timers.Interval(51), 1500);
    timers.Arm(51, 200);   // a second arm resets the interval
    EXPECT_EQ(timers.Interval(51), 200);
    timers.Kill(4);
    EXPECT_FALSE(timers.Active(4));
    for (int id : {0, 52, -1}) {
        timers.Arm(id, 10);
        EXPECT_FALSE(timers.Active(id));
    }
}

TEST(TimerTable, AFiredTimerNamesItsIdAndFiresAgainUntilKilled) {
    EnsureQtApp();
    std::vector<int> fired;
    QEventLoop loop;
    station::TimerTable* table = nullptr;
    station::TimerTable timers([&](int id) {
        fired.push_back(id);
        if (fired.size() == 3) {
            table->Kill(id);
            loop.quit();
        }
    });
    table = &timers;
    timers.Arm(7, 0);
    loop.exec();
    EXPECT_EQ(fired, (std::vector<int>{7, 7, 7}));
    EXPECT_FALSE(timers.Active(7));
}

}  // namespace
}  // namespace qx::test
