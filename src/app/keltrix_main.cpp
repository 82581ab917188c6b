#include "app/keltrix_main.h"

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

#include <QMetaObject>

#include <iostream>

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

int RunWindow(char* argv0, const std::vector<std::string>& args) {
    // Qt sees no switches of ours: several of them look like its own options.
    int qtArgc = 1;
    char* qtArgv[] = {argv0, nullptr};
    TKeltrixApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName("keltrix");
    QApplication::setWindowIcon(KeltrixIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    auto store = std::make_unique<TRegistryStore>(platform::SettingsFile());
    if (!store->LoadError().empty()) std::cerr << argv0 << ": " << store->LoadError() << "\n";
    TVistrandDisplay display(args, std::move(store));
    app.SetErrorHandler([&display](const std::string& cls, const std::string& msg) {
        display.ApplicationEvents1Exception(cls, msg);
    });
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

} // namespace

int KeltrixMain(int argc, char** argv) {
    return KeltrixEntry(argc, argv, {RunWindow, [](char*, const std::vector<std::string>& args) {
                                         return RunHeadlessMode(args);
                                     }});
}

} // namespace keltrix
