#include "measure/sampling_cycle.h"

#include "base/errors.h"
#include "base/smartlog.h"
#include "measure/bug_report.h"
#include "measure/comma_text.h"
#include "measure/date_time.h"
#include "measure/memory_scale.h"
#include "platform/memory_status.h"
#include "platform/power_status.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace keltrix {
namespace {

constexpr std::int8_t HistoryPeriod = 50;
constexpr std::int8_t RefreshPeriod = 10;
constexpr double BytesPerMB = 1048576.0;

template <class T> const TFormatter* Find(const TFormatterList& formatters) {
    for (const auto& formatter : formatters) {
        if (dynamic_cast<const T*>(formatter.get())) return formatter.get();
    }
    return nullptr;
}

// Names are read once; one the system cannot give is asked for again next sample.
void ReadName(string15& field, const std::function<platform::TResult(std::string&)>& source) {
    if (!field.Empty() || !source) return;
    std::string name;
    if (source(name)) field.Set(TrimBlanks(name));
}

} // namespace

TSamplingCycle::TSamplingCycle(TRawDataShell& rawData, const TFormatterList& formatters,
                               TSamplingSources sources)
    : RawData_(rawData), Sources_(std::move(sources)), Perf_(Sources_.Root), Net_(Sources_.Root),
      Drives_(Sources_.Root) {
    Gates_.Processor = Find<TProcFormat>(formatters);
    Gates_.TopProcess = Find<TTopProcFormat>(formatters);
    Gates_.Network = Find<TNetworkFormat>(formatters);
    Gates_.Uptime = Find<TUTPFormat>(formatters);
    Gates_.Memory = Find<TPageRAMFormat>(formatters);
    Gates_.NonPerf = Find<TNonPerfFormat>(formatters);
    Gates_.Sensors = Find<TMBMFormat>(formatters);
    Gates_.Battery = Find<TBatteryFormat>(formatters);
    // A mount table that cannot be read still leaves C on "/".
    (void)Drives_.Refresh();
}

platform::TResult TSamplingCycle::SetDriveMap(std::string_view overrides) {
    DriveOverrides_.assign(overrides);
    return Drives_.Refresh(DriveOverrides_);
}

void TSamplingCycle::GetInfo(bool force) {
    LogAdd(force ? "GetInfo (Force True)" : "GetInfo (Don't force)");
    BugReport_.clear();
    if (DebugMode) StartBugReport(BugReport_);
    std::string className, message;
    try {
        if (!RunBlocks(force)) {
            BugReport_.clear();
            return;
        }
        if (DebugMode && CrashTest)
            throw EOnPurpose("Program Ran with \"-CRASH\" parameter. But Why ?");
    } catch (const std::exception& e) {
        className = ExceptionClassName(e);
        message = e.what();
    } catch (...) {
        className = "Exception";
        message = "unknown error";
    }
    if (!className.empty()) {
        std::vector<std::string> report;
        report.swap(BugReport_);
        if (DebugMode) AddBugReportError(report, className, message);
        // The program ends from here: the record and formatters a refresh would use are gone.
        if (OnFailure) OnFailure(className, message, report);
        return;
    }
    BugReport_.clear();
    if (OnRefresh) OnRefresh();
}

void TSamplingCycle::Note(const char* line) {
    if (!DebugMode) return;
    BugReport_.emplace_back(line);
    BugReport_.emplace_back();
}

bool TSamplingCycle::RunBlocks(bool force) {
    TRawData& data = RawData_.Data();
    data.Marker = RecordMarker;
    if (++Counter_ >= HistoryPeriod) {
        Counter_ = 0;
        Perf_.ResetSizeHints();
        Perf_.ClearProcessHistory();
    }
    Perf_.BeginSample();

    if (IsActive(Gates_.Processor)) {
        Note("Running The ProcFMT block");
        Perf_.ProcessorBlock(data);
    }
    if (!Perf_.ExcludeList().empty() || IsActive(Gates_.TopProcess)) {
        if (IsActive(Gates_.Processor) || !IsActive(Gates_.TopProcess)) {
            Perf_.ProcessBlock(data);
        } else {
            // The process block measures against the processor snapshots' time span; without
            // the processor block it would never have one and TopProc alone would stay empty.
            // Take the snapshot on a copy, so that the processor fields keep their old values.
            TRawData scratch = data;
            Perf_.ProcessorBlock(scratch);
            Perf_.ProcessBlock(scratch);
            data.TopProcName = scratch.TopProcName;
            data.TopProcPercent = scratch.TopProcPercent;
        }
    }
    if (IsActive(Gates_.Network)) {
        Note("Running The NetFMT block");
        const std::uint32_t interval = TimerInterval ? TimerInterval() : 1000;
        if (!Net_.NetworkBlock(data, interval)) return false;
    }
    if (IsActive(Gates_.Uptime)) {
        Note("Running The UTPFmt (Uptime & Performance) block");
        Perf_.UptimeBlock(data);
    }
    if (IsActive(Gates_.Memory)) {
        Note("Running The PgRmFmt (PageRam) block");
        MemoryBlock(data);
    }
    if (IsActive(Gates_.NonPerf)) {
        NonPerfBlock(data, force);
    } else if (IsActive(Gates_.Battery)) {
        // The battery tags would otherwise never see a power status of their own.
        Power(data);
    }
    if (IsActive(Gates_.Sensors)) {
        Note("Running The MBMFmt (Motherboard Monitor) block");
        if (SensorBlock) SensorBlock(data);
    }
    return true;
}

void TSamplingCycle::MemoryBlock(TRawData& data) {
    platform::MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    // Unreadable figures leave the last ones standing rather than showing 0 MB.
    if (!platform::GlobalMemoryStatus(status, Sources_.Root)) return;
    StoreMemory(data, status.dwAvailPageFile, status.dwTotalPageFile, status.dwAvailPhys,
                status.dwTotalPhys);
}

void TSamplingCycle::NonPerfBlock(TRawData& data, bool force) {
    if (Counter_ % RefreshPeriod == 0 || force) {
        Addresses(data);
        DriveSpace(data);
    }
    ReadName(data.CompName, Sources_.ComputerName);
    ReadName(data.UserName, Sources_.UserName);
    data.DateTime = Sources_.Now ? Sources_.Now() : ToDateTime(std::chrono::system_clock::now());
    Power(data);
}

void TSamplingCycle::Addresses(TRawData& data) {
    std::memset(data.IPAddr, 0, sizeof data.IPAddr);
    AddressBuffer_.clear();
    if (!Sources_.HostAddresses || !Sources_.HostAddresses(AddressBuffer_)) return;
    const std::size_t count = std::min<std::size_t>(AddressBuffer_.size(), 4);
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(data.IPAddr[i], AddressBuffer_[i].data(), 4);
}

void TSamplingCycle::DriveSpace(TRawData& data) {
    TDriveEntry& sum = data.Drives[0];
    sum.TotalMB = 0;
    sum.FreeMB = 0;
    const auto registered = [](const TDriveEntry& d) { return d.Letter != 0; };
    if (std::none_of(data.Drives + 1, data.Drives + 17, registered)) return;
    // Drives come and go between queries (a stick plugged in).
    (void)Drives_.Refresh(DriveOverrides_);
    for (int i = 1; i <= 16; ++i) {
        TDriveEntry& drive = data.Drives[i];
        if (!registered(drive)) continue;
        // A drive that cannot be queried keeps the zero sizes the query leaves.
        platform::TDiskSpace space;
        (void)Drives_.GetDiskFreeSpaceEx(drive.Letter, space);
        drive.TotalMB =
            static_cast<float>(static_cast<double>(space.TotalNumberOfBytes) / BytesPerMB);
        drive.FreeMB =
            static_cast<float>(static_cast<double>(space.FreeBytesAvailableToCaller) / BytesPerMB);
        sum.TotalMB += drive.TotalMB;
        sum.FreeMB += drive.FreeMB;
    }
}

void TSamplingCycle::Power(TRawData& data) {
    platform::SYSTEM_POWER_STATUS status{};
    // A failure leaves the record's "unknown" values, which is what the tags should show.
    (void)platform::GetSystemPowerStatus(status, Sources_.Root);
    data.Power.ACLineStatus = status.ACLineStatus;
    data.Power.BatteryFlag = status.BatteryFlag;
    data.Power.BatteryLifePercent = status.BatteryLifePercent;
    data.Power.Reserved1 = status.Reserved1;
    data.Power.BatteryLifeTime = status.BatteryLifeTime;
    data.Power.BatteryFullLifeTime = status.BatteryFullLifeTime;
}

} // namespace keltrix
