#include "app/startup_switches.h"
#include "platform/ascii.h"

#include <cctype>
#include <charconv>
#include <string_view>

namespace keltrix {
namespace {

bool Begins(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// A whole decimal number (optional sign) that fits 32 bits.
bool ReadInt(std::string_view text, std::int32_t& value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string Between(const std::string& s, char open, char close) {
    const std::size_t a = s.find(open);
    if (a == std::string::npos) return {};
    const std::size_t b = s.find(close, a + 1);
    if (b == std::string::npos) return {};
    return s.substr(a + 1, b - a - 1);
}

void AddMessage(TStartupSwitches& sw, const std::string& first, const std::string& later) {
    if (sw.StartupMessages.empty()) {
        sw.StartupMessages = first;
    } else {
        sw.StartupMessages += "\r\n" + later;
    }
}

void ApplyField(TStartupSwitches& sw, const std::string& field) {
    const std::string f = LowerAscii(field);
    if (f == "-c") sw.ClientMode = true;
    if (Begins(f, "-p") && !ReadInt(std::string_view(f).substr(2), sw.ClientPort))
        sw.ClientPort = 6130;
    if (Begins(f, "-i")) sw.ClientHost = f.substr(2);
    // The password keeps its letters: the key is made from its exact bytes.
    if (Begins(f, "-d")) sw.ClientPassword = field.substr(2);
    if (Begins(f, "-h")) sw.HideTrayIcon = true;
    if (Begins(f, "-l")) ++sw.LockToggles;
    if (Begins(f, "-debug")) {
        sw.DebugMode = true;
        AddMessage(sw, "Debug is ACTIVE", "Debug is ACTIVE");
    }
    if (Begins(f, "-crash")) sw.CrashTest = true;
    if (Begins(f, "-stats")) {
        sw.ShowStats = true;
        AddMessage(sw, "Uptime Menu Item Active", "Uptime Menu Items Active");
    }
    if (Begins(f, "-noupdate")) {
        sw.NoUpdate = true;
        AddMessage(sw, "Update Disabled", "Update Disabled");
    }
    if (Begins(f, "-noresmove") || Begins(f, "-noresize")) {
        sw.ScreenAdjust = false;
        AddMessage(sw, "Dynamic Screen Adjustment Disabled", "Dynamic Screen Adjustment Disabled");
    }
    if (Begins(f, "-instanceid") || Begins(f, "-id")) {
        sw.InstanceId = Between(field, '(', ')');
        AddMessage(sw, "Instance ID -> " + sw.InstanceId, "Instance ID -> " + sw.InstanceId);
    }
    if (Begins(f, "-advdebug")) {
        sw.AdvancedLog = true;
        std::int32_t level = 0;
        if (ReadInt(std::string_view(f).substr(9), level)) sw.AdvancedLogLevel = level;
        AddMessage(sw, "Advanced Debugning is ACTIVE", "Advanced Debuging is ACTIVE");
    }
    if (Begins(f, "-noballoon")) sw.NoBalloon = true;
}

} // namespace

TStartupSwitches ParseStartupSwitches(const std::vector<std::string>& args,
                                      const std::string* parameterLine,
                                      const std::function<bool(const std::string&)>& fileExists) {
    TStartupSwitches sw;
    std::string text;
    for (const std::string& arg : args) {
        if (Begins(arg, "-loadkcfg") || Begins(arg, "-usekcfg")) {
            const std::size_t open = arg.find('(');
            std::string name;
            if (open != std::string::npos) {
                const std::size_t close = arg.find(')', open + 1);
                name = arg.substr(open + 1, close == std::string::npos ? std::string::npos
                                                                       : close - open - 1);
            }
            if (fileExists(name)) {
                sw.KcfgFile = name;
            } else {
                sw.Errors.push_back("KCFG file - Doesn't exists\r\n\r\n" + name);
                sw.KcfgFile.clear();
            }
            continue;
        }
        text += " " + arg;
    }
    if (parameterLine) text += " " + *parameterLine;

    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t space = text.find(' ', start);
        const std::size_t end = space == std::string::npos ? text.size() : space;
        if (end > start) ApplyField(sw, text.substr(start, end - start));
        if (space == std::string::npos) break;
        start = space + 1;
    }
    if (sw.ClientMode && sw.ClientHost.empty()) sw.ClientMode = false;
    return sw;
}

} // namespace keltrix
