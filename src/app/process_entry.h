#pragma once
// The switches that act before any window exists, and the single-instance rule.

#include "base/application_title.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace keltrix {

inline constexpr const char* MutexName = "CoolKeltrixMutex";
inline constexpr const char* EventName = "CoolKeltrixEvent";

// What the entry needs from the machine; replaceable so the order of effects can be tested.
struct TEntryActions {
    std::function<void()> ResetSettings;         // delete the settings key, silently
    std::function<void()> ShowHelpPage;          // write and open the help page
    std::function<bool()> AcquireMutex;          // true when this process now owns it
    std::function<void()> SignalRunningInstance; // set the event
};

struct TEntryOutcome {
    bool RunAllowed = false;
    bool AllowMultiple = false;
    bool HelpShown = false; // the process ends at once without windows
};

TEntryOutcome RunProcessEntry(const std::vector<std::string>& args, const TEntryActions& actions);

// Arguments that begin with "--" belong to the Linux front end, not to the start-up switches.
struct TLongOptions {
    bool Help = false;
    bool Version = false;
    bool Tags = false;                // --tags: print the reference and exit
    std::optional<bool> Autostart;    // --autostart=on|off
    std::vector<std::string> Unknown; // also a known option with a value it does not take
};
TLongOptions TakeLongOptions(std::vector<std::string>& args);
std::string UsageText(const std::string& program);

} // namespace keltrix
