#include "app/console_client.h"

#include "app/console_json.h"
#include "app/console_mode.h"
#include "app/console_output.h"
#include "app/monitor_core.h"
#include "net/link.h"
#include "platform/exit_signals.h"
#include "settings/registry_store.h"

#include <iostream>
#include <unistd.h>

namespace keltrix {

int RunConsoleClient(TMonitorCore& core, const TConsoleOptions& options) {
    core.OpenClientKey();
    core.CreateRecordAndFormatters();
    core.UseTextFormat(options.Format);
    const int interval = core.ReadInterval();

    platform::TPollLoop loop;
    TNetLink link(core.Settings, *core.RawData, loop);
    const TStartupSwitches& sw = core.Switches;
    std::string target;

    // The link's state, said once each time it changes.
    bool down = false, everUp = false;
    int requestsSinceRecord = 0;
    bool hinted = false;
    link.Hooks.ClientDown = [&](const std::string& why) {
        if (down) return;
        down = true;
        std::cerr << "keltrix: " << target << ": " << why << "; trying again every " << interval
                  << " ms\n";
    };
    link.Hooks.ClientUp = [&] {
        if (down || everUp) std::cerr << "keltrix: connected to " << target << "\n";
        down = false;
        everUp = true;
        requestsSinceRecord = 0;
    };

    const bool ansi = isatty(STDOUT_FILENO) != 0;
    std::size_t previous = 0;
    long records = 0;
    const int signals = platform::WatchExitSignals();
    core.RawData->OnData = [&](TRawDataShell&) {
        requestsSinceRecord = 0;
        if (platform::ExitSignalPending(signals)) return;
        std::vector<std::string> lines = core.RenderLines(ConsoleException);
        if (options.Json) {
            for (std::string& line : lines) line = ConsoleLine(line, false);
            std::cout << JsonFrame(lines) << std::flush;
        } else {
            std::cout << ConsoleFrame(lines, ansi, previous) << std::flush;
        }
        previous = lines.size();
        ++records;
        if (options.Refreshes && records >= *options.Refreshes) {
            loop.Quit();
        } else if (interval <= 0 && records == 1 && !SayPaused(interval, options.Refreshes)) {
            loop.Quit(); // with updating paused no further record is asked for
        }
    };

    const auto tick = [&] {
        if (link.Client().Connected() && ++requestsSinceRecord > 3 && !hinted) {
            // Records that fail the marker check are dropped without a word; say it once here.
            hinted = true;
            std::cerr << "keltrix: " << target << " accepts requests but no record passes "
                      << "the check: a wrong -d password, or not a Keltrix server?\n";
        }
        link.ClientTick();
    };

    link.StartClient(sw.ClientHost, sw.ClientPort, sw.ClientPassword);
    target = link.Client().Target();
    tick(); // the first request goes out as soon as the link is up
    // An interval of 0 pauses updating: the first record stays until interrupted.
    if (interval > 0) loop.StartTimer(interval, tick);

    if (signals >= 0)
        loop.WatchFd(signals, platform::IoRead, [&](unsigned) {
            platform::TakeExitSignal(signals);
            loop.Quit();
        });
    loop.Run();
    if (signals >= 0) loop.UnwatchFd(signals);
    return 0;
}

} // namespace keltrix
