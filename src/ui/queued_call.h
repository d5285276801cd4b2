// A worker never touches a widget: it posts a call that runs later on the
// thread that owns `context` (the window thread), and never waits for it.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <utility>

namespace qx::ui {

inline void PostToThreadOf(QObject* context, std::function<void()> call) {
    QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

}  // namespace qx::ui
