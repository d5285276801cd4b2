// One port's worker as the window thread and the worker see it: a state that
// only moves Running -> Finished (the worker ending) or Running -> Killed
// (watchdog or stop), each by compare-and-swap; the cancellation token the
// worker carries; and the thread, joined before the port's next user. No
// thread is ever ended from outside: a killed worker unwinds at its next wait
// or request, and every write it would still make is dropped.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/clock.h"
#include "qxlib/discovery/port_record.h"

namespace qx::station {

enum class WorkerState : int { Idle, Running, Finished, Killed };

// Starts a thread running body; throws std::system_error when it cannot.
using ThreadLauncher = std::function<std::thread(std::function<void()>)>;

class PortRun {
public:
    PortRun() = default;
    ~PortRun();
    PortRun(const PortRun&) = delete;
    PortRun& operator=(const PortRun&) = delete;

    // Window thread. Joins the port's previous thread, then starts body on a
    // new one in state Running. False (state Idle) when no thread starts.
    bool Start(std::function<void()> body, const ThreadLauncher& launch);
    // Waits for the port's thread, if any (next run, safe removal, shutdown).
    void Join();

    // Worker: Running -> Finished. False when the port was killed first.
    bool Finish();
    // Window thread: Running -> Killed, cancels the token and runs mark while
    // no worker write can slip in. False (mark not run) when not Running.
    bool Kill(const std::function<void()>& mark);
    // Runs write only while the worker is Running, excluding Kill.
    bool Write(const std::function<void()>& write);

    WorkerState State() const { return state_.load(); }
    bool Running() const { return State() == WorkerState::Running; }
    // Counts the worker's starts; a queued update carries it so that one of
    // a killed or later run is dropped when it arrives.
    unsigned Generation() const { return generation_.load(); }
    // An update made by run generation may still reach the window.
    bool Deliverable(unsigned generation) const;
    platform::CancelToken& Token() { return token_; }

private:
    std::mutex lock_;
    std::atomic<WorkerState> state_{WorkerState::Idle};
    std::atomic<unsigned> generation_{0};
    platform::CancelToken token_;
    std::thread thread_;
};

// The 50 ports' workers. Destroying the table joins every thread.
class WorkerTable {
public:
    PortRun& operator[](int port) { return ports_[static_cast<std::size_t>(port)]; }
    const PortRun& operator[](int port) const { return ports_[static_cast<std::size_t>(port)]; }
    void JoinAll();
    // The launcher every start uses; tests put one that refuses.
    void SetLauncher(ThreadLauncher launch) { launch_ = std::move(launch); }
    const ThreadLauncher& Launcher() const { return launch_; }

private:
    ThreadLauncher launch_ = [](std::function<void()> body) { return std::thread(std::move(body)); };
    std::array<PortRun, kPortCount> ports_;
};

// Ports a loop may visit: the last scan's count, never past the tables.
int PortLimit();

}  // namespace qx::station
