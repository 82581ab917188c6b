#pragma once
// The application object: its notify() is the general error handler's boundary.

#include <QApplication>

#include <functional>
#include <string>

namespace keltrix {

class TKeltrixApplication : public QApplication {
    Q_OBJECT
public:
    using TErrorHandler =
        std::function<void(const std::string& className, const std::string& message)>;

    TKeltrixApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Set by the main window once it exists; until then errors go to stderr.
    void SetErrorHandler(TErrorHandler handler) { Handler_ = std::move(handler); }
    void ReportError(const std::string& className, const std::string& message);

private:
    TErrorHandler Handler_;
};

} // namespace keltrix
