// The one QApplication of the form tests (offscreen, from the test's
// environment), made on first use and kept to the end: Qt's own statics
// go first at exit, and an application destroyed after them crashes.
#pragma once

#include <QApplication>

namespace qx::test {

inline QApplication& FormsApp() {
    static int argc = 1;
    static char name[] = "qx_tests_sondrel";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace qx::test
