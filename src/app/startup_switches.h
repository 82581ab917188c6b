#pragma once
// The start-up switches: command-line arguments plus the stored ParameterLine.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace keltrix {

struct TStartupSwitches {
    bool ClientMode = false;
    std::string ClientHost;
    std::int32_t ClientPort = 6130;
    std::string ClientPassword;
    bool HideTrayIcon = false;
    int LockToggles = 0; // "-l" runs the placement lock toggle once per field
    bool DebugMode = false;
    bool CrashTest = false;
    bool ShowStats = false;
    bool NoUpdate = false;
    bool ScreenAdjust = true;
    std::string InstanceId = "Keltrix";
    bool AdvancedLog = false;
    std::int32_t AdvancedLogLevel = 0;
    bool NoBalloon = false;
    std::string KcfgFile;            // "-loadkcfg(...)" or "-usekcfg(...)", when the file exists
    std::string StartupMessages;     // lines joined by CR LF
    std::vector<std::string> Errors; // messages to show at once (missing config-set file)
};

// args: the command-line arguments (without the program); parameterLine: the stored value,
// or nullptr when it does not exist. fileExists checks config-set file names.
TStartupSwitches ParseStartupSwitches(const std::vector<std::string>& args,
                                      const std::string* parameterLine,
                                      const std::function<bool(const std::string&)>& fileExists);

} // namespace keltrix
