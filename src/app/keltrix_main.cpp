#include "app/keltrix_main.h"

#include "app/console_mode.h"
#include "app/dialogs.h"
#include "app/entry.h"
#include "app/headless_mode.h"
#include "app/keltrix_application.h"
#include "app/process_entry.h"
#include "app/vistrand_display.h"
#include "app/web_options.h"
#include "base/errors.h"
#include "base/smartlog.h"
#include "display/app_icon.h"
#include "platform/paths.h"
#include "settings/registry_store.h"
#include "settings/xml_data_module.h"

#include <QMessageBox>
#include <QMetaObject>

#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace keltrix {
namespace {

// Its failures to read or write config.xml are reported like any other error; none ends the
// start-up.
std::unique_ptr<TdmXML> CreateSettingsDataModule(TKeltrixApplication& app) {
    const TXMLErrorEvent report = [&app](const std::string& className, const std::string& message) {
        app.ReportError(className, message);
    };
    const TXMLPostEvent post = [](std::function<void()> job) {
        QMetaObject::invokeMethod(qApp, std::move(job), Qt::QueuedConnection);
    };
    try {
        return std::make_unique<TdmXML>(report, post);
    } catch (const std::exception& e) {
        report(ExceptionClassName(e), e.what());
        return nullptr;
    }
}

int RunWindowLoop(char* argv0, const std::vector<std::string>& args) {
    // Qt sees no switches of ours: several of them look like its own options.
    int qtArgc = 1;
    char* qtArgv[] = {argv0, nullptr};
    TKeltrixApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName("keltrix");
    QApplication::setWindowIcon(KeltrixIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    auto store = std::make_unique<TRegistryStore>(platform::SettingsFile());
    if (!store->LoadError().empty()) std::cerr << argv0 << ": " << store->LoadError() << "\n";
    // Errors of events handled while the window is being made (a modal prompt of the start-up
    // runs the event loop) wait for it.
    std::vector<std::pair<std::string, std::string>> early;
    app.SetErrorHandler(
        [&early](const std::string& cls, const std::string& msg) { early.emplace_back(cls, msg); });
    TVistrandDisplay display(args, std::move(store));
    app.SetErrorHandler([&display](const std::string& cls, const std::string& msg) {
        display.ApplicationEvents1Exception(cls, msg);
    });
    for (const auto& [cls, msg] : early) display.ApplicationEvents1Exception(cls, msg);
    // Created third, after the main window and the web module; saved once more when released.
    const std::unique_ptr<TdmXML> dmXML = CreateSettingsDataModule(app);
    display.show();
    if (const std::string& why = UnguardedReason(); !why.empty()) {
        // One line on stderr: the box keeps the line break.
        std::string line;
        for (const char c : why)
            if (c != '\r') line += c == '\n' ? ' ' : c;
        std::cerr << argv0 << ": " << line << "\n";
        LogAdd("Single instance: " + line);
        ShowWarningAside(&display, why);
    }
    return app.exec();
}

// The last word of an error that nothing handled: a message box where a desktop can show one,
// and stderr.
void ShowFatalError(char* argv0, const std::string& text) {
    std::cerr << argv0 << ": " << text << "\n";
    if (NoDisplayAvailable()) return;
    try {
        int qtArgc = 1;
        char* qtArgv[] = {argv0, nullptr};
        std::unique_ptr<QApplication> own;
        if (QApplication::instance() == nullptr)
            own = std::make_unique<QApplication>(qtArgc, qtArgv);
        QMessageBox::critical(nullptr, QString::fromUtf8(ApplicationTitle),
                              QString::fromStdString(text));
    } catch (...) {
        // stderr has it.
    }
}

int RunWindow(char* argv0, const std::vector<std::string>& args) {
    try {
        return RunWindowLoop(argv0, args);
    } catch (const std::exception& e) {
        ShowFatalError(argv0, "Keltrix has to stop: EXCEPTION (" + ExceptionClassName(e) +
                                  ") --- " + e.what());
    } catch (...) {
        ShowFatalError(argv0, "Keltrix has to stop: an unknown error");
    }
    return 1;
}

} // namespace

int KeltrixMain(int argc, char** argv) {
    try {
        return KeltrixEntry(argc, argv,
                            {RunWindow, [](char*, const std::vector<std::string>& args) {
                                 return RunHeadlessMode(args);
                             }});
    } catch (const std::exception& e) {
        ShowFatalError(argv[0], "Keltrix has to stop: EXCEPTION (" + ExceptionClassName(e) +
                                    ") --- " + e.what());
    } catch (...) {
        ShowFatalError(argv[0], "Keltrix has to stop: an unknown error");
    }
    return 1;
}

} // namespace keltrix
