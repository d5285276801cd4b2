// A worker never touches a widget: it posts a call that runs later on the
// thread that owns `context` (the window thread), and never waits for it.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace qx::ui {

#if defined(__SANITIZE_THREAD__)
// Qt's event queue hands a posted call over under its own lock, which
// ThreadSanitizer cannot see (the distribution's Qt is not instrumented).
// The hand-over is stated on the posted object itself: moving it into Qt's
// slot object releases its address once everything in it is written, and the
// call acquires that address before it reads anything. Qt frees the slot
// object on whichever thread lets go of it last, the poster's included, so
// the call releases it again when done and the destructor acquires it. A
// report is then a real race.
class PostedCall {
public:
    explicit PostedCall(std::function<void()> call) : call_(std::move(call)) {}
    PostedCall(PostedCall&&) = default;
    ~PostedCall() { __tsan_acquire(&handOver_); }
    void operator()() {
        __tsan_acquire(&handOver_);
        call_();
        __tsan_release(&handOver_);
    }

private:
    struct HandOver {
        HandOver() = default;
        HandOver(HandOver&&) noexcept { __tsan_release(this); }
        HandOver& operator=(HandOver&&) = delete;
    };
    std::function<void()> call_;
    HandOver handOver_;   // last: its move follows the call's
};
#endif

inline void PostToThreadOf(QObject* context, std::function<void()> call) {
#if defined(__SANITIZE_THREAD__)
    QMetaObject::invokeMethod(context, PostedCall(std::move(call)), Qt::QueuedConnection);
#else
    QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
#endif
}

}  // namespace qx::ui
