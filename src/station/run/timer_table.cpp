#include "station/run/timer_table.h"

namespace qx::station {

TimerTable::TimerTable(std::function<void(int id)> fired) : fired_(std::move(fired)) {
    for (int id = 1; id <= kMaxId; ++id) {
        auto timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this, id] {
            if (fired_) fired_(id);
        });
        timers_[static_cast<std::size_t>(id)] = std::move(timer);
    }
}

TimerTable::~TimerTable() = default;

QTimer* TimerTable::At(int id) const {
    return id >= 1 && id <= kMaxId ? timers_[static_cast<std::size_t>(id)].get() : nullptr;
}

void TimerTable::Arm(int id, int ms) {
    if (QTimer* t = At(id)) t->start(ms);
}

void TimerTable::Kill(int id) {
    if (QTimer* t = At(id)) t->stop();
}

bool TimerTable::Active(int id) const {
    const QTimer* t = At(id);
    return t && t->isActive();
}

int TimerTable::Interval(int id) const {
    const QTimer* t = At(id);
    return t && t->isActive() ? t->interval() : 0;
}

}  // namespace qx::station
