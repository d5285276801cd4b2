// An exception escaping an event handler is reported, not an abort.
#include <gtest/gtest.h>

#include <QEvent>
#include <QObject>
#include <stdexcept>
#include <string>
#include <vector>

#include "utility/forms/qt_app.h"

namespace qx::test {
namespace {

class Thrower final : public QObject {
public:
    bool standard = true;
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        if (standard) throw std::runtime_error("basic_filebuf::underflow error reading the file: Is a directory");
        throw 42;
    }
};

TEST(GuardedApplication, HandlerExceptionIsReportedAndTheLoopGoesOn) {
    utility::GuardedApplication& app = FormsApp();
    std::vector<std::string> reported;
    app.SetReport([&](const std::string& text) { reported.push_back(text); });
    Thrower thrower;
    QEvent user(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &user));
    thrower.standard = false;
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &user));   // not a std::exception: an empty text
    EXPECT_TRUE(app.Failed());
    const std::vector<std::string> expected = {"basic_filebuf::underflow error reading the file: Is a directory", ""};
    EXPECT_EQ(reported, expected);
    // Other events still reach their receiver.
    QEvent other(QEvent::Timer);
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&thrower, &other));
    app.SetReport({});
}

}  // namespace
}  // namespace qx::test
