// The utility's application object: an exception that escapes an event
// handler does not end the program. It is handed to the report function
// (shown in a dialog, or printed when nobody watches) and remembered, and
// the event loop goes on.
#pragma once

#include <QApplication>
#include <functional>
#include <string>

namespace qx::utility {

class GuardedApplication final : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    // text: the exception's message; empty for an exception of another kind.
    void SetReport(std::function<void(const std::string& text)> report) { report_ = std::move(report); }
    bool Failed() const { return failed_; }
    // Reports an exception caught outside the event loop the same way.
    void Report(const std::string& text);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::function<void(const std::string&)> report_;
    bool failed_ = false;
};

// The message of the exception being handled; empty when it is no std::exception.
std::string CurrentExceptionText();

}  // namespace qx::utility
