#include "platform/clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace qx::platform {
namespace {
SystemClock g_system;
// Longer waits are cut here: a time point that far ahead cannot overflow.
constexpr std::uint64_t kLongestWaitMs = 365ull * 24 * 3600 * 1000;
std::atomic<Clock*> g_clock{&g_system};
thread_local CancelToken* t_token = nullptr;
}  // namespace

std::uint64_t SystemClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool SystemClock::Wait(std::uint64_t ms) {
    ms = std::min(ms, kLongestWaitMs);
    if (t_token) return t_token->SleepFor(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return true;
}

bool VirtualClock::Wait(std::uint64_t ms) {
    if (CancelRequested()) return false;
    now_ += ms;
    return true;
}

Clock& CurrentClock() { return *g_clock.load(); }
void SetClock(Clock* clock) { g_clock.store(clock ? clock : &g_system); }
std::uint64_t TickMs() { return CurrentClock().NowMs(); }
bool SleepMs(std::uint64_t ms) { return CurrentClock().Wait(ms); }

void CancelToken::Cancel() {
    {
        std::lock_guard g(lock_);
        cancelled_ = true;
    }
    wake_.notify_all();
}

void CancelToken::Reset() {
    std::lock_guard g(lock_);
    cancelled_ = false;
}

bool CancelToken::SleepFor(std::uint64_t ms) {
    std::unique_lock g(lock_);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::min(ms, kLongestWaitMs));
    return !wake_.wait_until(g, end, [this] { return cancelled_.load(); });
}

CancelScope::CancelScope(CancelToken& token) : previous_(t_token) { t_token = &token; }
CancelScope::~CancelScope() { t_token = previous_; }
bool CancelRequested() { return t_token != nullptr && t_token->Cancelled(); }

}  // namespace qx::platform
