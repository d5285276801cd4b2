#include "station/run/port_run.h"

#include <algorithm>
#include <system_error>

#include "station/ports/port_tables.h"

namespace qx::station {

PortRun::~PortRun() { Join(); }

bool PortRun::Start(std::function<void()> body, const ThreadLauncher& launch) {
    Join();
    {
        std::lock_guard hold(lock_);
        token_.Reset();
        ++generation_;
        state_ = WorkerState::Running;
    }
    try {
        thread_ = launch(std::move(body));
    } catch (const std::system_error&) {
        std::lock_guard hold(lock_);
        state_ = WorkerState::Idle;
        return false;
    }
    return true;
}

void PortRun::Join() {
    if (thread_.joinable()) thread_.join();
}

bool PortRun::Finish() {
    std::lock_guard hold(lock_);
    WorkerState expected = WorkerState::Running;
    return state_.compare_exchange_strong(expected, WorkerState::Finished);
}

bool PortRun::Kill(const std::function<void()>& mark) {
    std::lock_guard hold(lock_);
    WorkerState expected = WorkerState::Running;
    if (!state_.compare_exchange_strong(expected, WorkerState::Killed)) return false;
    token_.Cancel();
    if (mark) mark();
    return true;
}

bool PortRun::Write(const std::function<void()>& write) {
    std::lock_guard hold(lock_);
    if (state_.load() != WorkerState::Running) return false;
    write();
    return true;
}

bool PortRun::Deliverable(unsigned generation) const {
    return generation == generation_.load() && state_.load() != WorkerState::Killed;
}

void WorkerTable::JoinAll() {
    for (PortRun& p : ports_) p.Join();
}

int PortLimit() { return StationPortTables().Limit(); }

}  // namespace qx::station
