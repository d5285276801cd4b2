#include "platform/clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace qx::platform {
namespace {
SystemClock g_system;
std::atomic<Clock*> g_clock{&g_system};
thread_local CancelToken* t_token = nullptr;
constexpr std::uint64_t kSliceMs = 20;
}  // namespace

std::uint64_t SystemClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool SystemClock::Wait(std::uint64_t ms) {
    const std::uint64_t end = NowMs() + ms;
    for (;;) {
        if (CancelRequested()) return false;
        const std::uint64_t now = NowMs();
        if (now >= end) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kSliceMs, end - now)));
    }
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

CancelScope::CancelScope(CancelToken& token) : previous_(t_token) { t_token = &token; }
CancelScope::~CancelScope() { t_token = previous_; }
bool CancelRequested() { return t_token != nullptr && t_token->Cancelled(); }

}  // namespace qx::platform
