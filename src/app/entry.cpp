#include "app/entry.h"

#include "app/autostart.h"
#include "app/console_mode.h"
#include "app/help_page.h"
#include "app/process_entry.h"
#include "app/reference.h"
#include "app/server_options.h"
#include "app/web_options.h"
#include "base/errors.h"
#include "measure/raw_data.h"
#include "platform/paths.h"
#include "platform/program_parts.h"
#include "platform/shell.h"
#include "platform/single_instance.h"
#include "settings/registry_store.h"
#include "settings/settings_key.h"

#include <clocale>
#include <cstdio>
#include <iostream>

namespace keltrix {
namespace {

// The front has done the reset and said how it went on stderr; the window program does it
// again and keeps what it has to say for its window.
void TellResetProblem(const std::string& problem) {
    const std::string note = "-RESET: the settings cannot be reset: " + problem;
    if (platform::ProgramPart() == platform::TProgramPart::Window)
        EntryNotes().push_back(note);
    else
        std::cerr << "keltrix: " << note << "\n";
}

void ResetSettings() {
    try {
        TRegistryStore store(platform::SettingsFile());
        if (const std::string problem = store.LoadError(); !problem.empty()) {
            // A file that cannot be parsed is never overwritten, not even to empty it.
            TellResetProblem(problem + "; the file is left as it is");
            return;
        }
        store.SetProblemSink(TellResetProblem);
        store.DeleteKey(SettingsKeyPath);
    } catch (const std::exception& e) {
        TellResetProblem(e.what());
    }
}

std::string UnguardedText(const std::string& problem) {
    return "Keltrix cannot keep its single-instance lock: " + problem +
           ".\r\nIt runs without it: starting Keltrix again starts another copy instead of "
           "waking this one.";
}

void ShowHelpPage() {
    const std::string path = HelpPagePath();
    WriteHelpPage(path);
    std::string error;
    if (!platform::ShellOpen(path, "", "", &error))
        std::fprintf(stderr, "keltrix: cannot open %s: %s\n", path.c_str(), error.c_str());
}

} // namespace

std::vector<std::string>& EntryNotes() {
    static std::vector<std::string> notes;
    return notes;
}

std::string& UnguardedReason() {
    static std::string reason;
    return reason;
}

int KeltrixEntry(int argc, char** argv, const TEntryParts& parts) {
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
    if (longOpts.Tags) {
        std::cout << TagReference();
        return 0;
    }
    if (longOpts.Autostart) return RunAutostart(*longOpts.Autostart, program);

    TEntryActions actions;
    actions.ResetSettings = ResetSettings;
    actions.ShowHelpPage = ShowHelpPage;
    // Console mode has no window or tray to guard: status bars may run it beside the window.
    // Nor has the headless server, which may serve beside a desktop instance.
    actions.AcquireMutex = [&] {
        if (console.Enabled || server.Headless || storeOnly) return true;
        std::string problem;
        switch (platform::AcquireNamedMutex(MutexName, &problem)) {
        case platform::TMutexState::Owned:
            return true;
        case platform::TMutexState::HeldElsewhere:
            return false;
        case platform::TMutexState::Unavailable:
            break;
        }
        // Not a running instance: nothing guards this one, which the window says.
        UnguardedReason() = UnguardedText(problem);
        return true;
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
    if (!console.Enabled && !server.Headless && NoDisplayAvailable()) {
        std::cerr << program << ": no display to open; running in console mode\n";
        console.Enabled = true;
    }
    // A run-only format or interval given to the window or the server would be lost unsaid;
    // the part that runs says it, not the front program that hands the switches over.
    if (!console.Enabled && (console.Format || console.IntervalMs) &&
        platform::ProgramPart() != platform::TProgramPart::Front)
        std::cerr << program
                  << ": --format and --interval are for console mode (--console or --json); "
                  << (server.Headless ? "the server" : "the window")
                  << " uses the stored FormatString and Interval\n";
    if (server.Headless) return parts.Headless(argv[0], args);
    if (console.Enabled) return RunConsoleMode(args, console);

    return parts.Window(argv[0], args);
}

int SayWhyItStops(const char* program) {
    try {
        throw;
    } catch (const std::exception& e) {
        std::cerr << program << ": Keltrix has to stop: EXCEPTION (" << ExceptionClassName(e)
                  << ") --- " << e.what() << "\n";
    } catch (...) {
        std::cerr << program << ": Keltrix has to stop: an unknown error\n";
    }
    return 1;
}

} // namespace keltrix
