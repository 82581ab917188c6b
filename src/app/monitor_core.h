#pragma once
// What a monitoring run is made of before any window: the settings key, the switches, the
// record, the formatters and the format string. The window and console mode both start
// from it, in the order of the start-up sequence.

#include "app/startup_switches.h"
#include "measure/raw_data.h"
#include "tags/formatters.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace keltrix {

class TRegistryStore;
class TSamplingCycle;

class TMonitorCore {
public:
    explicit TMonitorCore(TRegistryStore& settings);

    // Settings key and migration, the switches with ParameterLine, client mode, the "dll"
    // folder. formatOverride (console --format) replaces the stored format string for this
    // run only.
    void OpenSettingsAndSwitches(const std::vector<std::string>& args);
    // Switches to the per-server key in client mode.
    void OpenClientKey();
    // UTstr and Exclude.
    void ReadUptimeFormatAndExclusions();
    // The record holder, the processor type and the formatters in their fixed order.
    void CreateRecordAndFormatters();
    // FormatString, or the default one written on a first start.
    void ReadFormatString();
    // A terminal's format: the one given for this run, else the stored one; the formatters
    // told what it uses, all aligned left.
    void UseTextFormat(const std::optional<std::string>& format);
    // Interval, or the default of the mode.
    int ReadInterval();

    // NetInterfaces: the interfaces the network tags count, in slot order.
    void ApplyNetInterfaces(TSamplingCycle& cycle) const;

    // Lines of the current format string (CR LF, lone CR or lone LF end a line).
    std::vector<std::string> FormatLines() const;
    // One line through every formatter in order.
    std::string RenderLine(const std::string& line) const;
    // Every line; one whose tags fail keeps its text of the last frame, and its error goes to
    // onError.
    std::vector<std::string> RenderLines(const std::function<void(const std::exception&)>& onError);

    TRegistryStore& Settings;
    TStartupSwitches Switches;
    std::unique_ptr<TRawDataShell> RawData;
    TFormatterList Formatters;
    // Console mode keeps it here; the window hands it to its display layout at start-up.
    std::string FormatString;
    std::string UptimeFormat = "*d* days, *H* hrs, *M* mins, *S* secs";
    std::string Exclude;
    std::vector<std::string> StartupErrors; // shown in message boxes by the caller
    std::vector<std::string> LastLines;     // as RenderLines gave them
    // Held while the record, the formatters' Active flags or the label texts change; the web
    // service's request threads take their snapshots under it.
    std::recursive_mutex ViewLock;
};

// ProcType from the processor level: "IA64", "i386".."i686" or "UNK?".
std::string ProcessorType(int level);

} // namespace keltrix
