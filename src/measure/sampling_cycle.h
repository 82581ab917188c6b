#pragma once
// One sample of the machine into the record, block by block, only for the formatters in use;
// then the display refresh. Runs on the main thread, once per tick of the main timer and once,
// forced, after a format string has been applied.

#include "measure/net_counters.h"
#include "measure/perf_reader.h"
#include "measure/raw_data.h"
#include "platform/drives.h"
#include "platform/system_info.h"
#include "tags/formatters.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

// Where the samples come from. Defaults are the running machine; tests give recorded trees.
struct TSamplingSources {
    std::string Root = "/"; // holds proc/ and sys/
    std::function<platform::TResult(std::string&)> ComputerName = platform::GetComputerName;
    std::function<platform::TResult(std::string&)> UserName = platform::GetUserName;
    std::function<platform::TResult(std::vector<platform::TIPv4Address>&)> HostAddresses =
        platform::GetHostAddresses;
    // The record's DateTime of this moment; unset: the local clock.
    std::function<double()> Now;
};

class TSamplingCycle {
public:
    // className, message, and the bug report with its two error entries (empty unless
    // DebugMode).
    using TFailureEvent =
        std::function<void(const std::string& className, const std::string& message,
                           const std::vector<std::string>& bugReport)>;

    // The formatters decide which blocks run; both they and the shell must outlive the cycle.
    TSamplingCycle(TRawDataShell& rawData, const TFormatterList& formatters,
                   TSamplingSources sources = {});

    // force: refresh addresses and drive space although the counter is not at a tenth sample.
    void GetInfo(bool force);

    // "-debug" and "-crash".
    bool DebugMode = false;
    bool CrashTest = false;
    // The main timer's interval in ms, to which the network rates are scaled; unset: 1000.
    std::function<std::uint32_t()> TimerInterval;
    // The sensor block; unset: nothing to read.
    std::function<void(TRawData&)> SensorBlock;
    // The display refresh at the end of every sample that gets there.
    std::function<void()> OnRefresh;
    // Called instead of the refresh when a block raised an error. The program stops its timer,
    // shows its dialogs and exits from here.
    TFailureEvent OnFailure;

    // The Exclude setting.
    void SetExclude(std::string_view text) { Perf_.SetExclude(text); }
    const std::string& ExcludeText() const { return Perf_.ExcludeText(); }
    // The DriveMap setting: letters over mount points, refreshed with every drive query.
    platform::TResult SetDriveMap(std::string_view overrides);
    const platform::TDriveMap& DriveMap() const { return Drives_; }
    // The NetInterfaces setting: the interfaces that count, in slot order ("eth0;wlan0").
    void SetNetInterfaces(std::string_view names) { Net_.SetCountedInterfaces(names); }

    std::int8_t SampleCounter() const { return Counter_; }
    TPerfDataReader& Perf() { return Perf_; }
    TNetCounters& Net() { return Net_; }
    const TNetCounters& Net() const { return Net_; }

private:
    struct TGates {
        const TFormatter* Processor = nullptr;
        const TFormatter* TopProcess = nullptr;
        const TFormatter* Network = nullptr;
        const TFormatter* Uptime = nullptr;
        const TFormatter* Memory = nullptr;
        const TFormatter* NonPerf = nullptr;
        const TFormatter* Sensors = nullptr;
        const TFormatter* Battery = nullptr;
    };
    static bool IsActive(const TFormatter* formatter) { return formatter && formatter->Active; }

    // false: the sample ended early (the network table could not be sized).
    bool RunBlocks(bool force);
    void Note(const char* line);
    void MemoryBlock(TRawData& data);
    void NonPerfBlock(TRawData& data, bool force);
    void Addresses(TRawData& data);
    void DriveSpace(TRawData& data);
    void Power(TRawData& data);

    TRawDataShell& RawData_;
    TGates Gates_;
    TSamplingSources Sources_;
    TPerfDataReader Perf_;
    TNetCounters Net_;
    platform::TDriveMap Drives_;
    std::string DriveOverrides_;
    std::int8_t Counter_ = 9; // the first sample sees 10
    std::vector<std::string> BugReport_;
    std::vector<platform::TIPv4Address> AddressBuffer_;
};

} // namespace keltrix
