#pragma once
// Console mode: the monitor without window, tray or display connection. It prints the lines
// the window would draw after each refresh.

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace keltrix {

struct TConsoleOptions {
    bool Enabled = false;
    std::optional<long> Refreshes;     // --console=N: stop after N refreshes
    std::optional<std::string> Format; // --format=TEXT, "\n" for line breaks; not stored
    bool Json = false;                 // --json: one JSON object per refresh
    std::optional<int> IntervalMs;     // --interval=MS: the refresh period of this run
};

// Takes --console[=N], --format=TEXT, --json and --interval=MS out of args. False with a message
// when a value is bad.
bool TakeConsoleOptions(std::vector<std::string>& args, TConsoleOptions& options,
                        std::string& error);

// Runs until interrupted or until the refresh count is reached; returns the exit status. The
// first frame shows a sample taken one interval (at least 250 ms) after a first one, so that
// it tells what happens now, not averages since the machine started.
int RunConsoleMode(const std::vector<std::string>& args, const TConsoleOptions& options);

// An Interval of 0 or below: says on stderr that sampling is paused. False when a count of
// refreshes was asked for, which can then never come: the run ends after its one frame.
bool SayPaused(int interval, std::optional<long> refreshes);

// True when no display can be opened (no DISPLAY or WAYLAND_DISPLAY, no platform chosen).
bool NoDisplayAvailable();

// An error or a settings problem, on stderr, once per distinct message for the whole run.
void ConsoleError(const std::string& message);
void ConsoleException(const std::exception& e);

} // namespace keltrix
