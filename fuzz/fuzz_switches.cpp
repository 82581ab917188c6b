// Command lines and stored ParameterLine values: any bytes, split into arguments at NULs.
#include "app/console_mode.h"
#include "app/process_entry.h"
#include "app/startup_switches.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    std::string parameterLine;
    bool inLine = false;
    std::string current;
    for (char c : text) {
        if (c == '\0') {
            args.push_back(current);
            current.clear();
        } else if (c == '\n' && !inLine) {
            inLine = true; // the rest is the stored ParameterLine
            args.push_back(current);
            current.clear();
        } else {
            (inLine ? parameterLine : current) += c;
        }
    }
    if (!inLine) args.push_back(current);
    const auto switches =
        keltrix::ParseStartupSwitches(args, inLine ? &parameterLine : nullptr,
                                      [](const std::string& name) { return name.size() % 2 == 0; });
    if (switches.ClientMode && switches.ClientHost.empty()) std::abort();
    if (switches.AdvancedLogLevel != 0 && !switches.AdvancedLog) std::abort();

    // The long options of the front program come out first, each with a sound value.
    std::vector<std::string> rest = args;
    keltrix::TConsoleOptions console;
    std::string error;
    if (!keltrix::TakeConsoleOptions(rest, console, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    if ((console.IntervalMs && *console.IntervalMs < 1) || (console.Json && !console.Enabled) ||
        (console.Refreshes && *console.Refreshes < 1))
        std::abort();
    keltrix::TakeLongOptions(rest);
    for (const std::string& a : rest)
        if (a.size() > 2 && a.rfind("--", 0) == 0) std::abort();
    return 0;
}
