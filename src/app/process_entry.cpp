#include "app/process_entry.h"
#include "app/reference.h"
#include "platform/ascii.h"

#include <algorithm>
#include <cctype>
#include <string_view>

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
        } else if (a == "--tags") {
            opts.Tags = true;
        } else if (a == "--autostart=on" || a == "--autostart=off") {
            opts.Autostart = a == "--autostart=on";
        } else if (a.rfind("--autostart", 0) == 0) {
            opts.Unknown.push_back(a + " (--autostart=on or --autostart=off)");
        } else {
            opts.Unknown.push_back(a);
        }
    }
    args.erase(std::remove_if(args.begin(), args.end(), isLong), args.end());
    return opts;
}

namespace {

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

} // namespace

std::string UsageText(const std::string& program) {
    std::string text = "Usage: " + program +
                       " [switches]\n"
                       "Keltrix shows live system statistics in a small desktop window.\n"
                       "\n";
    constexpr std::size_t column = 21, width = 79;
    const std::string indent(column, ' ');
    for (const TReferenceRow& row : CommandLineSwitches()) {
        std::string line = "  " + row.Key;
        // A key too long for the column gets a line of its own.
        line += line.size() < column ? std::string(column - line.size(), ' ') : "\n" + indent;
        std::size_t start = line.size() - column;
        for (const std::string_view word : Words(row.Text)) {
            if (line.size() - start > column && line.size() - start + 1 + word.size() > width) {
                line += "\n" + indent;
                start = line.size() - column;
            } else if (line.size() - start > column) {
                line += ' ';
            }
            line += word;
        }
        text += line + "\n";
    }
    return text + "\n"
                  "Switches that take a value have it joined on: -i10.0.0.5 -p6130.\n"
                  "--server, --no-server, --password, --no-password, --web-service and\n"
                  "--no-web-service store their value; without --headless they do nothing else.\n"
                  "Settings: $XDG_CONFIG_HOME/keltrix/registry.reg; files the program writes:\n"
                  "$XDG_DATA_HOME/keltrix/. Tags and markup: keltrix --tags, or man keltrix.\n";
}

} // namespace keltrix
