#include "utility/forms/guarded_application.h"

#include <cstdio>
#include <exception>

namespace qx::utility {

std::string CurrentExceptionText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return {};
    }
}

void GuardedApplication::Report(const std::string& text) {
    failed_ = true;
    if (report_)
        report_(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        Report(CurrentExceptionText());
        return false;
    }
}

}  // namespace qx::utility
