// The one QApplication of the form tests (offscreen, from the test's
// environment), made on first use and kept to the end: Qt's own statics
// go first at exit, and an application destroyed after them crashes.
#pragma once

#include "support/layout_check.h"
#include "utility/forms/guarded_application.h"

namespace qx::test {

// The program's own application class, so that an exception escaping a
// handler is reported as in the program.
inline utility::GuardedApplication& FormsApp() {
    static int argc = 1;
    static char name[] = "qx_tests_sondrel";
    static char* argv[] = {name, nullptr};
    // A layout test rerun on a chosen screen (QX_TEST_SCREEN) gets that
    // screen; without one the tests see a 1920x1080 screen (the offscreen
    // platform's own 800x600 is smaller than the utility's window).
    static auto* app = [] {
        if (TestScreen().isValid()) {
            ApplyTestScreen();
        } else {
            qputenv("QX_TEST_SCREEN", "1920x1080");
            ApplyTestScreen();
            qunsetenv("QX_TEST_SCREEN");
        }
        return new utility::GuardedApplication(argc, argv);
    }();
    return *app;
}

}  // namespace qx::test
