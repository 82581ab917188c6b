// Command lines and stored ParameterLine values: any bytes, split into arguments at NULs.
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
    return 0;
}
