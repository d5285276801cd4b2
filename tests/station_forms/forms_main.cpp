// The station's form tests run in one QApplication, always offscreen (also
// when ctest lists them, outside the tests' environment).
#include <gtest/gtest.h>

#include <QApplication>

#include "support/layout_check.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qx::test::ApplyTestScreen();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
