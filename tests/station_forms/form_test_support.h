// Helpers of the station's form tests: children by object name, a modal
// dialog answered from inside its own event loop, and screenshots saved in
// the build folder for a look.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "support/layout_check.h"

#include <functional>
#include <string>

namespace qx::test {

template <typename T>
T* Child(const QWidget& parent, const char* name) {
    T* w = parent.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

inline std::string Text(const QLineEdit* e) { return e->text().toStdString(); }
inline std::string Text(const QLabel* l) { return l->text().toStdString(); }

// Runs what once the modal loop that starts next is running.
inline void WhenModal(std::function<void()> what) { QTimer::singleShot(0, std::move(what)); }

inline void SaveGrab(QWidget& w, const std::string& name) { SaveLayoutGrab(w, name); }

}  // namespace qx::test
