#include "platform/linux/proc_parse.h"

#include <charconv>

namespace keltrix::platform::detail {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The next line of text (without its newline); text is advanced past it.
std::string_view NextLine(std::string_view& text) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

// The next field separated by blanks; empty at the end.
std::string_view NextField(std::string_view& text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    std::size_t j = i;
    while (j < text.size() && !IsSpace(text[j])) ++j;
    std::string_view field = text.substr(i, j - i);
    text.remove_prefix(j);
    return field;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// "MemTotal:       24683748 kB" -> 24683748.
std::optional<std::uint64_t> KiloBytes(std::string_view rest) {
    std::string_view value = NextField(rest);
    std::string_view unit = NextField(rest);
    if (!unit.empty() && unit != "kB") return std::nullopt;
    return ParseUnsigned(value);
}

} // namespace

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (IsSpace(text.front()) || text.front() == '\0')) text.remove_prefix(1);
    while (!text.empty() && (IsSpace(text.back()) || text.back() == '\0')) text.remove_suffix(1);
    return text;
}

std::optional<std::uint64_t> ParseUnsigned(std::string_view text) {
    text = Trim(text);
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::int64_t> ParseSigned(std::string_view text) {
    text = Trim(text);
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool ParseProcStat(std::string_view text, TCpuTimes& total, std::vector<TCpuTimes>& cpus,
                   std::string& why) {
    cpus.clear();
    bool haveTotal = false;
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        if (!StartsWith(line, "cpu")) continue;
        std::string_view name = NextField(line);
        TCpuTimes times;
        if (name.size() > 3) {
            const auto id = ParseUnsigned(name.substr(3));
            if (!id || *id > 1u << 20) {
                why = "bad processor name \"" + std::string(name) + "\"";
                return false;
            }
            times.Id = static_cast<int>(*id);
        }
        std::uint64_t* fields[] = {&times.User,   &times.Nice, &times.System,  &times.Idle,
                                   &times.IoWait, &times.Irq,  &times.SoftIrq, &times.Steal};
        std::size_t count = 0;
        for (std::uint64_t* field : fields) {
            std::string_view token = NextField(line);
            if (token.empty()) break;
            const auto value = ParseUnsigned(token);
            if (!value) {
                why = "bad number \"" + std::string(token) + "\" in the " + std::string(name) +
                      " line";
                return false;
            }
            *field = *value;
            ++count;
        }
        if (count < 4) {
            why = "the " + std::string(name) + " line has fewer than four times";
            return false;
        }
        if (times.Id < 0) {
            total = times;
            haveTotal = true;
        } else {
            cpus.push_back(times);
        }
    }
    if (!haveTotal || cpus.empty()) {
        why = haveTotal ? "no processor lines" : "no cpu summary line";
        return false;
    }
    return true;
}

bool ParseMemInfo(std::string_view text, TMemInfo& info, std::string& why) {
    struct Key {
        std::string_view Name;
        std::uint64_t* Field;
        bool Seen;
    } keys[] = {{"MemTotal:", &info.MemTotalKB, false},
                {"MemAvailable:", &info.MemAvailableKB, false},
                {"SwapTotal:", &info.SwapTotalKB, false},
                {"Committed_AS:", &info.CommittedKB, false}};
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        std::string_view name = NextField(line);
        for (Key& key : keys) {
            if (name != key.Name) continue;
            const auto value = KiloBytes(line);
            if (!value) {
                why = "bad value for " + std::string(key.Name.substr(0, key.Name.size() - 1));
                return false;
            }
            *key.Field = *value;
            key.Seen = true;
        }
    }
    for (const Key& key : keys) {
        if (!key.Seen) {
            why = "no " + std::string(key.Name.substr(0, key.Name.size() - 1)) + " line";
            return false;
        }
    }
    if (info.MemTotalKB == 0) {
        why = "MemTotal is 0";
        return false;
    }
    return true;
}

bool ParseNetDev(std::string_view text, std::vector<TNetDevLine>& lines, std::string& why) {
    std::size_t count = 0;
    int heading = 0;
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        if (heading < 2) {
            // "Inter-|   Receive ..." and " face |bytes ..."
            if (line.find('|') == std::string_view::npos) {
                why = "the heading lines are missing";
                return false;
            }
            ++heading;
            continue;
        }
        if (Trim(line).empty()) continue;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) {
            why = "a line without \"name:\"";
            return false;
        }
        const std::string_view name = Trim(line.substr(0, colon));
        std::string_view rest = line.substr(colon + 1);
        std::uint64_t values[16] = {};
        for (std::uint64_t& value : values) {
            const auto parsed = ParseUnsigned(NextField(rest));
            if (!parsed) {
                why = "bad counters for " + std::string(name);
                return false;
            }
            value = *parsed;
        }
        if (name.empty()) {
            why = "an interface without a name";
            return false;
        }
        if (lines.size() <= count) lines.emplace_back();
        TNetDevLine& out = lines[count++];
        out.Name.assign(name);
        out.RxBytes = values[0];
        out.RxPackets = values[1];
        out.RxErrors = values[2];
        out.RxDrops = values[3];
        out.RxMulticast = values[7];
        out.TxBytes = values[8];
        out.TxPackets = values[9];
        out.TxErrors = values[10];
        out.TxDrops = values[11];
    }
    lines.resize(count);
    if (heading < 2) {
        why = "the heading lines are missing";
        return false;
    }
    return true;
}

bool ParsePidStat(std::string_view text, TPidStat& stat) {
    // The name may hold blanks and parentheses: it runs to the last ")".
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return false;
    stat.Comm = text.substr(open + 1, close - open - 1);
    std::string_view rest = text.substr(close + 1);
    // Fields counted from "state" (field 3): utime is 14, stime 15, num_threads 20.
    for (int field = 3; field <= 20; ++field) {
        std::string_view token = NextField(rest);
        if (token.empty()) return false;
        if (field == 14 || field == 15 || field == 20) {
            const auto value = ParseUnsigned(token);
            if (!value) return false;
            (field == 14 ? stat.UTime : field == 15 ? stat.STime : stat.Threads) = *value;
        }
    }
    return true;
}

std::optional<std::uint32_t> ParseLoadavgThreads(std::string_view text) {
    for (int i = 0; i < 3; ++i) NextField(text);
    std::string_view tasks = NextField(text);
    const auto slash = tasks.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const auto total = ParseUnsigned(tasks.substr(slash + 1));
    if (!total || *total > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(*total);
}

std::optional<std::uint64_t> ParseUptime100ns(std::string_view text) {
    std::string_view first = NextField(text);
    const auto dot = first.find('.');
    const auto seconds = ParseUnsigned(first.substr(0, dot));
    if (!seconds || *seconds > 1'000'000'000'000ull) return std::nullopt;
    std::uint64_t value = *seconds * 10'000'000;
    if (dot != std::string_view::npos) {
        std::string_view fraction = first.substr(dot + 1);
        if (fraction.empty()) return std::nullopt;
        std::uint64_t scale = 1'000'000;
        for (char c : fraction) {
            if (c < '0' || c > '9') return std::nullopt;
            value += static_cast<std::uint64_t>(c - '0') * scale;
            scale /= 10;
        }
    }
    return value;
}

std::optional<std::uint32_t> ParseCpuFamily(std::string_view text) {
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        if (!StartsWith(line, "cpu family")) continue;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        const auto family = ParseUnsigned(line.substr(colon + 1));
        if (!family || *family > 0xFFFF) return std::nullopt;
        return static_cast<std::uint32_t>(*family);
    }
    return std::nullopt;
}

namespace {

// Mount fields escape blank, tab, newline and backslash as \ooo.
void Unescape(std::string_view field, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
}

} // namespace

void ParseMounts(std::string_view text, std::vector<TMountEntry>& entries) {
    entries.clear();
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        const std::string_view source = NextField(line);
        const std::string_view point = NextField(line);
        const std::string_view type = NextField(line);
        if (type.empty()) continue;
        TMountEntry& entry = entries.emplace_back();
        Unescape(source, entry.Source);
        Unescape(point, entry.MountPoint);
        Unescape(type, entry.Type);
    }
}

std::optional<TKernelRelease> ParseKernelRelease(std::string_view text) {
    text = Trim(text);
    // Leading decimal of text, advancing past it.
    auto number = [&text]() -> std::optional<std::uint32_t> {
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end == text.data()) return std::nullopt;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        return value;
    };
    TKernelRelease release;
    const auto major = number();
    if (!major || text.empty() || text.front() != '.') return std::nullopt;
    text.remove_prefix(1);
    const auto minor = number();
    if (!minor) return std::nullopt;
    release.Major = *major;
    release.Minor = *minor;
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
        if (const auto patch = number()) release.Patch = *patch;
    }
    return release;
}

bool SetPowerSupplyValue(std::string_view name, std::string_view value, TPowerSupply& supply) {
    value = Trim(value);
    struct Number {
        std::string_view Name;
        std::optional<std::int64_t> TPowerSupply::*Field;
    };
    static constexpr Number numbers[] = {
        {"online", &TPowerSupply::Online},          {"capacity", &TPowerSupply::Capacity},
        {"energy_now", &TPowerSupply::EnergyNow},   {"energy_full", &TPowerSupply::EnergyFull},
        {"power_now", &TPowerSupply::PowerNow},     {"charge_now", &TPowerSupply::ChargeNow},
        {"charge_full", &TPowerSupply::ChargeFull}, {"current_now", &TPowerSupply::CurrentNow},
    };
    for (const Number& number : numbers) {
        if (name == number.Name) {
            supply.*number.Field = ParseSigned(value);
            return true;
        }
    }
    if (name == "type")
        supply.Type.assign(value);
    else if (name == "scope")
        supply.Scope.assign(value);
    else if (name == "status")
        supply.Status.assign(value);
    else
        return false;
    return true;
}

void ParsePowerSupplyUevent(std::string_view text, TPowerSupply& supply) {
    constexpr std::string_view prefix = "POWER_SUPPLY_";
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        if (!StartsWith(line, prefix)) continue;
        line.remove_prefix(prefix.size());
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || eq > 32) continue;
        // Keys are upper case here and lower case as attribute files.
        char name[33] = {};
        for (std::size_t i = 0; i < eq; ++i) {
            const char c = line[i];
            name[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        SetPowerSupplyValue(std::string_view(name, eq), line.substr(eq + 1), supply);
    }
}

} // namespace keltrix::platform::detail
