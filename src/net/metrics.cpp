#include "net/metrics.h"

#include "measure/memory_scale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace keltrix {
namespace {

// Formatter positions in the fixed order.
enum TSlot { Sensors, UptimeThreads, PageRam, Processor, Network, NonPerf, TopProcess, Battery };

bool On(const TWebSnapshot& s, TSlot slot) {
    return static_cast<std::size_t>(slot) < s.Active.size() && s.Active[slot];
}

std::string Number(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    char buffer[40];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : "0";
}

std::string LabelValue(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

using TLabels = std::vector<std::pair<std::string, std::string>>;

class TWriter {
public:
    TWriter(TMetricsFormat format, std::string server)
        : Format_(format), Server_(std::move(server)) {}

    // name without the _total of counters; unit: the name's unit suffix, or empty.
    void Family(const std::string& name, const char* type, const char* unit, const char* help) {
        Name_ = name;
        Counter_ = std::string_view(type) == "counter";
        const std::string typeName =
            Counter_ && Format_ == TMetricsFormat::Text004 ? name + "_total" : name;
        Out_ += "# HELP " + typeName + " " + help + "\n";
        Out_ += "# TYPE " + typeName + " " + type + "\n";
        if (Format_ == TMetricsFormat::OpenMetrics && unit && *unit)
            Out_ += "# UNIT " + name + " " + unit + "\n";
    }

    void Sample(const TLabels& labels, double value) {
        Out_ += Name_;
        if (Counter_) Out_ += "_total";
        TLabels all = labels;
        if (!Server_.empty()) all.emplace_back("server", Server_);
        if (!all.empty()) {
            Out_ += '{';
            for (std::size_t i = 0; i < all.size(); ++i) {
                if (i) Out_ += ',';
                Out_ += all[i].first + "=\"" + LabelValue(all[i].second) + "\"";
            }
            Out_ += '}';
        }
        Out_ += ' ';
        Out_ += Number(value);
        Out_ += '\n';
    }

    std::string Finish() {
        if (Format_ == TMetricsFormat::OpenMetrics) Out_ += "# EOF\n";
        return std::move(Out_);
    }

private:
    TMetricsFormat Format_;
    std::string Server_;
    std::string Name_;
    bool Counter_ = false;
    std::string Out_;
};

std::string SlotName(int slot) {
    return slot == 0 ? "all" : std::to_string(slot);
}

std::string InterfaceOf(const TWebSnapshot& s, int slot) {
    if (slot == 0) return "all";
    const auto i = static_cast<std::size_t>(slot - 1);
    return i < s.Interfaces.size() ? s.Interfaces[i] : std::string();
}

std::string MountOf(const TWebSnapshot& s, char letter) {
    for (const auto& [l, mount] : s.MountPoints)
        if (l == letter) return mount;
    return {};
}

// TopProcName is "(position)name".
std::string TopProcessName(const TRawData& d) {
    const std::string text = d.TopProcName.Get();
    const std::size_t close = text.find(')');
    return text.size() > 0 && text[0] == '(' && close != std::string::npos ? text.substr(close + 1)
                                                                           : text;
}

void Memory(TWriter& w, const TRawData& d, const char* what, TMemoryField freeField,
            TMemoryField totalField) {
    const std::uint64_t free = MemoryBytes(d, freeField);
    const std::uint64_t total = MemoryBytes(d, totalField);
    const std::string base = std::string("keltrix_") + what;
    const std::string label = what == std::string("memory") ? "physical memory" : "commit limit";
    w.Family(base + "_total_bytes", "gauge", "bytes", ("Size of the " + label + ".").c_str());
    w.Sample({}, static_cast<double>(total));
    w.Family(base + "_free_bytes", "gauge", "bytes",
             ("Available part of the " + label + ".").c_str());
    w.Sample({}, static_cast<double>(free));
    w.Family(base + "_used_bytes", "gauge", "bytes", ("Used part of the " + label + ".").c_str());
    w.Sample({}, static_cast<double>(total >= free ? total - free : 0));
}

} // namespace

TMetricsFormat ChooseMetricsFormat(std::string_view accept) {
    double openMetrics = -1, text = -1;
    std::size_t start = 0;
    while (start <= accept.size()) {
        std::size_t end = accept.find(',', start);
        if (end == std::string_view::npos) end = accept.size();
        const std::string_view item = accept.substr(start, end - start);
        double q = 1;
        if (const auto k = item.find("q="); k != std::string_view::npos)
            q = std::strtod(std::string(item.substr(k + 2)).c_str(), nullptr);
        if (item.find("application/openmetrics-text") != std::string_view::npos)
            openMetrics = std::max(openMetrics, q);
        else if (item.find("text/plain") != std::string_view::npos)
            text = std::max(text, q);
        start = end + 1;
    }
    return text > 0 && text > openMetrics ? TMetricsFormat::Text004 : TMetricsFormat::OpenMetrics;
}

const char* MetricsContentType(TMetricsFormat format) {
    return format == TMetricsFormat::OpenMetrics
               ? "application/openmetrics-text; version=1.0.0; charset=utf-8"
               : "text/plain; version=0.0.4; charset=utf-8";
}

std::string RenderMetrics(const TWebSnapshot& s, TMetricsFormat format) {
    const TRawData& d = s.Record;
    TWriter w(format, s.ServerHost);

    w.Family("keltrix_info", "gauge", "", "The monitored machine; the value is always 1.");
    w.Sample({{"computer", d.CompName.Get()},
              {"user", d.UserName.Get()},
              {"processor", d.ProcType.Get()}},
             1);
    if (On(s, Processor)) {
        w.Family("keltrix_cpu_usage_percent", "gauge", "percent",
                 "Processor usage of the whole machine (cpu total) and of processors 1 to 4.");
        for (int i = 0; i <= 4; ++i)
            w.Sample({{"cpu", i == 0 ? "total" : std::to_string(i)}}, d.ProcUsage[i]);
    }
    if (On(s, TopProcess)) {
        w.Family("keltrix_top_process_usage_percent", "gauge", "percent",
                 "Processor share of the busiest process.");
        w.Sample({{"process", TopProcessName(d)}}, d.TopProcPercent);
    }
    if (On(s, Network)) {
        const struct {
            const char* Name;
            const char* Type;
            const char* Unit;
            const char* Help;
            const float* Values;
        } families[] = {
            {"keltrix_network_receive_bytes_per_second", "gauge", "bytes_per_second",
             "Receive rate per counted interface slot; slot all is their sum.", d.NetRead},
            {"keltrix_network_transmit_bytes_per_second", "gauge", "bytes_per_second",
             "Send rate per counted interface slot; slot all is their sum.", d.NetWrite},
            {"keltrix_network_receive_bytes", "counter", "bytes",
             "Bytes received since the interface counters started.", d.NetReadSum},
            {"keltrix_network_transmit_bytes", "counter", "bytes",
             "Bytes sent since the interface counters started.", d.NetWriteSum},
        };
        for (const auto& f : families) {
            w.Family(f.Name, f.Type, f.Unit, f.Help);
            for (int slot = 0; slot <= 4; ++slot)
                w.Sample({{"slot", SlotName(slot)}, {"interface", InterfaceOf(s, slot)}},
                         static_cast<double>(f.Values[slot]) * 1024.0);
        }
    }
    if (On(s, PageRam)) {
        Memory(w, d, "memory", TMemoryField::RAMFree, TMemoryField::RAMTotal);
        Memory(w, d, "commit", TMemoryField::PageFree, TMemoryField::PageTotal);
    }
    if (On(s, UptimeThreads)) {
        w.Family("keltrix_uptime_seconds", "gauge", "seconds", "Time since the system started.");
        w.Sample({}, static_cast<double>(d.Uptime));
        w.Family("keltrix_threads", "gauge", "", "Threads in the system.");
        w.Sample({}, d.Threads);
        w.Family("keltrix_processes", "gauge", "", "Processes in the system.");
        w.Sample({}, d.Processes);
    }
    if (On(s, NonPerf)) {
        bool any = false;
        for (int i = 1; i <= 16; ++i) any = any || d.Drives[i].Letter != 0;
        if (any) {
            for (const bool total : {true, false}) {
                w.Family(total ? "keltrix_drive_size_bytes" : "keltrix_drive_free_bytes", "gauge",
                         "bytes",
                         total ? "Size of each registered drive."
                               : "Space of each registered drive available to the user.");
                for (int i = 1; i <= 16; ++i) {
                    const TDriveEntry& e = d.Drives[i];
                    if (e.Letter == 0) continue;
                    const double mb = total ? e.TotalMB : e.FreeMB;
                    w.Sample({{"drive", std::string(1, e.Letter)}, {"mount", MountOf(s, e.Letter)}},
                             mb * 1048576.0);
                }
            }
        }
    }
    if (On(s, Sensors)) {
        w.Family("keltrix_temperature_celsius", "gauge", "celsius",
                 "Temperature sensors of the hardware monitor.");
        for (int i = 0; i < 9; ++i) w.Sample({{"sensor", std::to_string(i + 1)}}, d.Temp[i]);
        w.Family("keltrix_fan_rpm", "gauge", "rpm", "Fan sensors of the hardware monitor.");
        for (int i = 0; i < 9; ++i) w.Sample({{"sensor", std::to_string(i + 1)}}, d.Fan[i]);
    }
    if (On(s, Battery)) {
        const TSystemPowerStatus& p = d.Power;
        w.Family("keltrix_power_ac_online", "gauge", "", "1 on mains power, 0 on battery.");
        if (p.ACLineStatus <= 1) w.Sample({}, p.ACLineStatus);
        w.Family("keltrix_battery_flag", "gauge", "",
                 "Battery state: 1 high, 2 low, 4 critical, 8 charging, 128 no battery.");
        w.Sample({}, p.BatteryFlag);
        w.Family("keltrix_battery_charge_percent", "gauge", "percent", "Battery charge.");
        if (p.BatteryLifePercent <= 100) w.Sample({}, p.BatteryLifePercent);
        w.Family("keltrix_battery_remaining_seconds", "gauge", "seconds",
                 "Battery time left, where known.");
        if (p.BatteryLifeTime != 0xFFFFFFFFu) w.Sample({}, p.BatteryLifeTime);
        w.Family("keltrix_battery_full_seconds", "gauge", "seconds",
                 "Battery time when full, where known.");
        if (p.BatteryFullLifeTime != 0xFFFFFFFFu) w.Sample({}, p.BatteryFullLifeTime);
    }
    return w.Finish();
}

} // namespace keltrix
