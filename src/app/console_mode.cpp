#include "app/console_mode.h"

#include "app/console_client.h"
#include "app/console_json.h"
#include "app/console_output.h"
#include "app/console_sensors.h"
#include "app/monitor_core.h"
#include "base/errors.h"
#include "measure/sampling_cycle.h"
#include "platform/exit_signals.h"
#include "platform/paths.h"
#include "settings/registry_store.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <poll.h>
#include <set>
#include <unistd.h>

namespace keltrix {
namespace {

// The shortest span of the first shown sample: shorter, the processor figure is noise.
constexpr int FirstSpanMs = 250;

std::string ExpandLineBreaks(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Waits up to ms for an exit signal; true when one came.
bool WaitForExitSignal(int fd, int ms) {
    if (fd < 0) {
        if (ms < 0)
            pause();
        else
            usleep(static_cast<useconds_t>(ms) * 1000);
        return false;
    }
    pollfd p{fd, POLLIN, 0};
    // The signal itself interrupts the wait: look at the descriptor again rather than take
    // the interruption for the end of the interval (which printed one more frame).
    int n = poll(&p, 1, ms);
    while (n < 0 && errno == EINTR) n = poll(&p, 1, 0);
    if (n > 0) {
        platform::TakeExitSignal(fd);
        return true;
    }
    return false;
}

} // namespace

bool SayPaused(int interval, std::optional<long> refreshes) {
    std::cerr << "keltrix: sampling is paused (Interval is " << interval << ")";
    if (refreshes) {
        std::cerr << ": one frame shown instead of " << *refreshes << "\n";
        return false;
    }
    std::cerr << ": the frame stays until interrupted\n";
    return true;
}

bool TakeConsoleOptions(std::vector<std::string>& args, TConsoleOptions& options,
                        std::string& error) {
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--console") {
            options.Enabled = true;
        } else if (a.rfind("--console=", 0) == 0) {
            const std::string n = a.substr(10);
            long value = 0;
            const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), value);
            if (ec != std::errc() || end != n.data() + n.size() || value < 1) {
                error = "--console=N needs a whole number of refreshes above 0, not \"" + n + "\"";
                return false;
            }
            options.Enabled = true;
            options.Refreshes = value;
        } else if (a.rfind("--format=", 0) == 0) {
            options.Format = ExpandLineBreaks(a.substr(9));
        } else if (a == "--json") {
            options.Enabled = options.Json = true;
        } else if (a.rfind("--interval=", 0) == 0) {
            const std::string n = a.substr(11);
            int value = 0;
            const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), value);
            if (ec != std::errc() || end != n.data() + n.size() || value < 1) {
                error =
                    "--interval=MS needs a whole number of milliseconds above 0, not \"" + n + "\"";
                return false;
            }
            options.IntervalMs = value;
        } else {
            rest.push_back(a);
        }
    }
    args = std::move(rest);
    return true;
}

bool NoDisplayAvailable() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return !set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM");
}

void ConsoleError(const std::string& message) {
    static std::set<std::string> told;
    if (told.insert(message).second) std::cerr << "keltrix: " << message << std::endl;
}

void ConsoleException(const std::exception& e) {
    ConsoleError("EXCEPTION (" + ExceptionClassName(e) + ") --- " + e.what());
}

int RunConsoleMode(const std::vector<std::string>& args, const TConsoleOptions& options) {
    TRegistryStore store(platform::SettingsFile());
    if (const std::string problem = store.LoadError(); !problem.empty())
        std::cerr << "keltrix: " << problem << " (running on defaults, nothing is saved)\n";
    store.SetProblemSink(ConsoleError);

    TMonitorCore core(store);
    core.OpenSettingsAndSwitches(args);
    for (const std::string& e : core.StartupErrors) std::cerr << "keltrix: " << e << "\n";
    if (core.Switches.ClientMode) return RunConsoleClient(core, options);
    core.ReadUptimeFormatAndExclusions();
    core.CreateRecordAndFormatters();
    core.UseTextFormat(options.Format);
    const int interval = options.IntervalMs ? *options.IntervalMs : core.ReadInterval();
    // The span the first shown sample covers; the rates are scaled to the span they cover.
    int span = interval > 0 ? std::max(interval, FirstSpanMs) : FirstSpanMs;

    TSamplingCycle cycle(*core.RawData, core.Formatters);
    core.ApplyNetInterfaces(cycle);
    cycle.SetExclude(core.Exclude);
    if (store.ValueExists("DriveMap")) {
        const platform::TResult map = cycle.SetDriveMap(store.ReadString("DriveMap"));
        if (!map.Ok()) std::cerr << "keltrix: DriveMap: " << map.Reason << "\n";
    }
    cycle.DebugMode = core.Switches.DebugMode;
    cycle.CrashTest = core.Switches.CrashTest;
    cycle.TimerInterval = [&span] { return static_cast<std::uint32_t>(span); };

    const bool ansi = isatty(STDOUT_FILENO) != 0;
    std::size_t previous = 0;
    long refreshes = 0;
    bool failed = false;
    bool primed = false; // the first sample is only the base of the first shown one
    const int signals = platform::WatchExitSignals();
    cycle.OnRefresh = [&] {
        std::vector<std::string> lines = core.RenderLines(ConsoleException);
        if (!primed || platform::ExitSignalPending(signals)) return;
        if (options.Json) {
            for (std::string& line : lines) line = ConsoleLine(line, false);
            std::cout << JsonFrame(lines) << std::flush;
        } else {
            std::cout << ConsoleFrame(lines, ansi, previous) << std::flush;
        }
        previous = lines.size();
        ++refreshes;
    };
    cycle.OnFailure = [&](const std::string& cls, const std::string& message,
                          const std::vector<std::string>& report) {
        for (const std::string& line : report) std::cerr << line << "\n";
        std::cerr << "keltrix: sampling failed: " << cls << ": " << message << "\n";
        failed = true;
    };

    TConsoleSensorLink sensors(cycle);
    cycle.GetInfo(true);
    primed = true;
    if (failed || WaitForExitSignal(signals, span)) return failed ? 1 : 0;
    sensors.RunPosted();
    cycle.GetInfo(true); // addresses and drive space are fresh in the first frame
    span = interval;
    while (!failed && !(options.Refreshes && refreshes >= *options.Refreshes)) {
        // An interval of 0 pauses updating: the first frame stays until interrupted, and a
        // count of refreshes that can never come ends here.
        if (interval <= 0 && !SayPaused(interval, options.Refreshes)) break;
        if (WaitForExitSignal(signals, interval > 0 ? interval : -1)) break;
        sensors.RunPosted();
        cycle.GetInfo(false);
    }
    return failed ? 1 : 0;
}

} // namespace keltrix
