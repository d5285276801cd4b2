// The station window's timers by id, one QTimer each: port p's watchdog is
// id p + 1 (1..50), the one-shot rescan is 51. A timer fires again every
// interval until it is killed, as a window timer does; the window owns the
// table on its own thread and sends each firing to the engine.
#pragma once

#include <QTimer>

#include <array>
#include <functional>
#include <memory>

namespace qx::station {

class TimerTable {
public:
    static constexpr int kMaxId = 51;

    explicit TimerTable(std::function<void(int id)> fired);
    ~TimerTable();
    TimerTable(const TimerTable&) = delete;
    TimerTable& operator=(const TimerTable&) = delete;

    // Sets (or resets) the timer; ids outside 1..51 are ignored.
    void Arm(int id, int ms);
    void Kill(int id);
    bool Active(int id) const;
    int Interval(int id) const;   // 0 for a timer that is not armed

private:
    QTimer* At(int id) const;

    std::function<void(int)> fired_;
    std::array<std::unique_ptr<QTimer>, kMaxId + 1> timers_;
};

}  // namespace qx::station
