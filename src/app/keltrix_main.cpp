#include "app/keltrix_main.h"

#include "app/console_mode.h"
#include "app/headless_mode.h"
#include "app/help_page.h"
#include "app/keltrix_application.h"
#include "app/process_entry.h"
#include "app/server_options.h"
#include "app/vistrand_display.h"
#include "app/web_options.h"
#include "base/errors.h"
#include "display/app_icon.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "settings/registry_store.h"
#include "settings/settings_key.h"
#include "settings/xml_data_module.h"

#include <QMetaObject>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <iostream>

namespace keltrix {
namespace {

void ResetSettings() {
    try {
        TRegistryStore store(platform::SettingsFile());
        store.DeleteKey(SettingsKeyPath);
    } catch (const std::exception&) {
        // A failed reset is silent; start-up then runs on what is stored.
    }
}

void ShowHelpPage() {
    const std::string path = HelpPagePath();
    WriteHelpPage(path);
    std::string error;
    if (!platform::ShellOpen(path, "", "", &error))
        std::fprintf(stderr, "keltrix: cannot open %s: %s\n", path.c_str(), error.c_str());
}

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

} // namespace

int KeltrixMain(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string program = argc > 0 ? argv[0] : "keltrix";

    TConsoleOptions console;
    std::string consoleError;
    if (!TakeConsoleOptions(args, console, consoleError)) {
        std::cerr << program << ": " << consoleError << "\n";
        return 2;
    }
    TServerOptions server;
    if (!TakeServerOptions(args, server, consoleError)) {
        std::cerr << program << ": " << consoleError << "\n";
        return 2;
    }
    TWebServiceOptions web;
    if (!TakeWebServiceOptions(args, web, consoleError)) {
        std::cerr << program << ": " << consoleError << "\n";
        return 2;
    }
    if (server.Headless && console.Enabled) {
        std::cerr << program << ": --headless and --console exclude each other\n";
        return 2;
    }
    // Storing the services' values is a command of its own unless --headless runs with them.
    const bool storeOnly = (server.StoresAnything() || web.StoresAnything()) && !server.Headless;
    const TLongOptions longOpts = TakeLongOptions(args);
    if (!longOpts.Unknown.empty()) {
        std::cerr << program << ": unknown option " << longOpts.Unknown.front() << "\n"
                  << UsageText(program);
        return 2;
    }
    if (longOpts.Help) {
        std::cout << UsageText(program);
        return 0;
    }
    if (longOpts.Version) {
        std::cout << "Keltrix " << KELTRIX_VERSION_TEXT << " (" << KeltrixVersion << ")\n";
        return 0;
    }

    TEntryActions actions;
    actions.ResetSettings = ResetSettings;
    actions.ShowHelpPage = ShowHelpPage;
    // Console mode has no window or tray to guard: status bars may run it beside the window.
    // Nor has the headless server, which may serve beside a desktop instance.
    actions.AcquireMutex = [&] {
        return console.Enabled || server.Headless || storeOnly ||
               platform::AcquireNamedMutex(MutexName);
    };
    actions.SignalRunningInstance = [] { platform::TNamedEvent::Set(EventName); };
    TEntryOutcome outcome;
    try {
        outcome = RunProcessEntry(args, actions);
    } catch (const std::exception& e) {
        std::cerr << program << ": " << e.what() << "\n";
        return 1;
    }
    if (outcome.HelpShown || !outcome.RunAllowed) return 0;
    if (server.StoresAnything() || web.StoresAnything()) {
        try {
            TRegistryStore store(platform::SettingsFile());
            std::string told;
            if (server.StoresAnything()) told = StoreServerOptions(store, server);
            if (web.StoresAnything()) {
                TRegistryStore webStore(platform::SettingsFile());
                const std::string webTold = StoreWebServiceOptions(webStore, web);
                told += (told.empty() ? "" : "; ") + webTold;
            }
            if (storeOnly) std::cout << program << ": " << told << "\n";
        } catch (const std::exception& e) {
            std::cerr << program << ": " << e.what() << "\n";
            return 1;
        }
        if (storeOnly) return 0;
    }
    if (server.Headless) return RunHeadlessMode(args);
    if (!console.Enabled && NoDisplayAvailable()) {
        std::cerr << program << ": no display to open; running in console mode\n";
        console.Enabled = true;
    }
    if (console.Enabled) return RunConsoleMode(args, console);

    // Qt sees no switches of ours: several of them look like its own options.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    TKeltrixApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName("keltrix");
    QGuiApplication::setApplicationDisplayName(ApplicationTitle);
    QApplication::setWindowIcon(KeltrixIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    auto store = std::make_unique<TRegistryStore>(platform::SettingsFile());
    if (!store->LoadError().empty()) std::cerr << program << ": " << store->LoadError() << "\n";
    TVistrandDisplay display(args, std::move(store));
    app.SetErrorHandler([&display](const std::string& cls, const std::string& msg) {
        display.ApplicationEvents1Exception(cls, msg);
    });
    // Created third, after the main window and the web module; saved once more when released.
    const std::unique_ptr<TdmXML> dmXML = CreateSettingsDataModule(app);
    display.show();
    return app.exec();
}

} // namespace keltrix
