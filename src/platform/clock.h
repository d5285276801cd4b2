// Time and cancellation. Every wait of the library goes through SleepMs, so
// tests run on a virtual clock and a cancelled worker leaves a wait at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>

namespace qx::platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t NowMs() = 0;
    // Waits up to ms; returns false when the calling thread's token was
    // cancelled before or during the wait.
    virtual bool Wait(std::uint64_t ms) = 0;
};

// Real time: a wait sleeps until its end or until the thread's token is
// cancelled, whichever comes first (the token wakes it).
class SystemClock final : public Clock {
public:
    std::uint64_t NowMs() override;
    bool Wait(std::uint64_t ms) override;
};

// Test time: a wait moves the clock forward and returns at once.
class VirtualClock final : public Clock {
public:
    std::uint64_t NowMs() override { return now_.load(); }
    bool Wait(std::uint64_t ms) override;
    void Advance(std::uint64_t ms) { now_ += ms; }
private:
    std::atomic<std::uint64_t> now_{1'000'000};
};

Clock& CurrentClock();
void SetClock(Clock* clock);           // nullptr restores the system clock

std::uint64_t TickMs();                // milliseconds on the current clock
bool SleepMs(std::uint64_t ms);        // false when cancelled

// A worker's cancellation flag. The watchdog sets it; sleeps and device
// requests of the thread that carries it give up.
class CancelToken {
public:
    void Cancel();
    void Reset();
    bool Cancelled() const { return cancelled_.load(); }
    // Sleeps up to ms of real time; false at once when cancelled before or
    // during the sleep.
    bool SleepFor(std::uint64_t ms);
private:
    std::atomic<bool> cancelled_{false};
    std::mutex lock_;
    std::condition_variable wake_;
};

// Puts a token on the current thread for the scope's life.
class CancelScope {
public:
    explicit CancelScope(CancelToken& token);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;
private:
    CancelToken* previous_;
};

bool CancelRequested();                // the current thread's token, if any

}  // namespace qx::platform
