#include "app/keltrix_application.h"

#include "app/message_copy.h"
#include "base/errors.h"

#include <cstdio>
#include <exception>

namespace keltrix {

TKeltrixApplication::TKeltrixApplication(int& argc, char** argv) : QApplication(argc, argv) {
    installEventFilter(new TMessageBoxCopy(this));
}

bool TKeltrixApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ReportError(ExceptionClassName(e), e.what());
    } catch (...) {
        ReportError("Exception", "unknown error");
    }
    return false;
}

void TKeltrixApplication::ReportError(const std::string& className, const std::string& message) {
    std::fprintf(stderr, "keltrix: EXCEPTION (%s) --- %s\n", className.c_str(), message.c_str());
    if (!Handler_) return;
    try {
        Handler_(className, message);
    } catch (const std::exception& e) {
        // The handler must never take the program down with it.
        std::fprintf(stderr, "keltrix: error while reporting an error: %s\n", e.what());
    }
}

} // namespace keltrix
