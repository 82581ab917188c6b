#include "app/process_entry.h"
#include "platform/ascii.h"

#include <algorithm>
#include <cctype>

namespace keltrix {
TEntryOutcome RunProcessEntry(const std::vector<std::string>& args, const TEntryActions& actions) {
    TEntryOutcome out;
    for (const std::string& arg : args) {
        const std::string upper = UpperAscii(arg);
        if (upper == "-RESET") actions.ResetSettings();
        if (upper == "-C") {
            out.RunAllowed = true;
        } else if (arg == "-?") {
            actions.ShowHelpPage();
            out.HelpShown = true;
            return out;
        }
        if (upper == "-MULTIPLE") out.AllowMultiple = true;
    }
    if (!out.RunAllowed) out.RunAllowed = actions.AcquireMutex();
    if (!out.RunAllowed && out.AllowMultiple) out.RunAllowed = true;
    if (!out.RunAllowed) actions.SignalRunningInstance();
    return out;
}

TLongOptions TakeLongOptions(std::vector<std::string>& args) {
    TLongOptions opts;
    auto isLong = [](const std::string& a) { return a.size() > 2 && a.rfind("--", 0) == 0; };
    for (const std::string& a : args) {
        if (!isLong(a)) continue;
        if (a == "--help") {
            opts.Help = true;
        } else if (a == "--version") {
            opts.Version = true;
        } else {
            opts.Unknown.push_back(a);
        }
    }
    args.erase(std::remove_if(args.begin(), args.end(), isLong), args.end());
    return opts;
}

std::string UsageText(const std::string& program) {
    return "Usage: " + program +
           " [switches]\n"
           "Keltrix shows live system statistics in a small desktop window.\n"
           "\n"
           "  -?                 write the network help page and open it\n"
           "  -RESET             delete all stored settings first\n"
           "  -MULTIPLE          run even when another instance is running\n"
           "  -C                 run as a client beside a running instance\n"
           "  -c -iHOST -pPORT -dPASSWORD\n"
           "                     show the measurements of the server HOST:PORT\n"
           "  -advdebug[N]       keep the advanced log (N: the most entries kept)\n"
           "  --console[=N]      no window: print the lines after each refresh (N times)\n"
           "  --format=TEXT      use TEXT as the format string of this run (\\n breaks lines)\n"
           "  --headless         no window, no output: sample everything and serve it\n"
           "  --server[=PORT]    store: serve the measurements over TCP (port 6130)\n"
           "  --no-server        store: do not serve\n"
           "  --password=TEXT    store: the password that enciphers what is served\n"
           "  --no-password      store: serve in clear\n"
           "  --web-service[=PORT], --no-web-service\n"
           "                     store: publish over HTTP, SOAP and /metrics (port 61300), or not\n"
           "                     (without --headless these store and exit)\n"
           "  --help             show this text\n"
           "  --version          show the version\n"
           "\n"
           "Settings: $XDG_CONFIG_HOME/keltrix/registry.reg; files the program writes:\n"
           "$XDG_DATA_HOME/keltrix/.\n";
}

} // namespace keltrix
