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
    // A layout test rerun on a chosen screen (QX_TEST_SCREEN) gets that screen.
    static auto* app = (ApplyTestScreen(), new utility::GuardedApplication(argc, argv));
    return *app;
}

}  // namespace qx::test
