#include "measure/mbm_link.h"

#include "base/smartlog.h"
#include "platform/power_status.h"
#include "platform/shared_memory.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace keltrix {
namespace {

using TStartFunc = int (*)();
using TStopFunc = void (*)();

} // namespace

TMBMLink::TMBMLink(TMBMLinkHooks hooks, TMBMLinkPlaces places)
    : Hooks_(std::move(hooks)), Places_(std::move(places)),
      Folders_(Places_.Folders ? *Places_.Folders : platform::LibraryFolders()) {}

TMBMLink::~TMBMLink() {
    *Alive_ = false;
    JoinLoaders(true);
}

void TMBMLink::Post(std::function<void()> job) {
    if (!Hooks_.Post) return;
    Hooks_.Post([alive = Alive_, job = std::move(job)] {
        if (*alive) job();
    });
}

void TMBMLink::SensorBlock(TRawData& data) {
    if (Stopped_) return;
    if (!StarterHandle_ && !LoaderBusy_) {
        LoaderBusy_ = true;
        StartLoader();
        return; // no readings this time
    }
    if (StarterHandle_ && ReadSharedData()) {
        std::copy(SensorTemp_.begin(), SensorTemp_.end(), data.Temp);
        std::copy(SensorFan_.begin(), SensorFan_.end(), data.Fan);
    }
}

void TMBMLink::StartLoader() {
    JoinLoaders(false);
    // The window question belongs to the main thread, so it is asked before the loader runs.
    const bool byHand = CheckRunningMonitor_ && MonitorWanted_ &&
                        !platform::LibraryFileNearby(Places_.Library, Folders_) &&
                        Hooks_.MonitorWindowExists && Hooks_.MonitorWindowExists();
    const unsigned run = ++Run_;
    auto loader = std::make_unique<TLoader>();
    TLoader* self = loader.get();
    try {
        loader->Thread = std::thread([this, self, run, byHand] {
            DLLLoad(run, byHand);
            self->Finished = true;
        });
    } catch (const std::system_error& e) {
        // Like a starter that cannot be loaded: no readings until the machine resumes.
        std::fprintf(stderr, "keltrix: cannot start the sensor loader: %s\n", e.what());
        return;
    }
    Loaders_.push_back(std::move(loader));
}

void TMBMLink::DLLLoad(unsigned run, bool monitorByHand) {
    LogAdd("DLLLoad");
    if (!MonitorWanted_ || (Hooks_.ClientMode && Hooks_.ClientMode())) return;
    if (CheckRunningMonitor_ && monitorByHand) {
        Post([this] {
            if (Hooks_.MonitorRunning) Hooks_.MonitorRunning(MonitorRunningMessage);
        });
        MonitorWanted_ = false;
        CheckRunningMonitor_ = false;
        return;
    }
    CheckRunningMonitor_ = false;
    MonitorWanted_ = true;
    std::string error;
    platform::TModuleHandle module = platform::LoadLibrary(Places_.Library, Folders_, &error);
    if (!module) {
        // No starter is no message; a starter that is there but broken must say why.
        if (platform::LibraryFileNearby(Places_.Library, Folders_))
            std::fprintf(stderr, "keltrix: cannot load the sensor starter: %s\n", error.c_str());
        return;
    }
    if (run != Run_) return; // the machine slept meanwhile: the next run starts afresh
    StarterHandle_ = module;
    const auto start = reinterpret_cast<TStartFunc>(platform::GetProcAddress(module, "Start"));
    const int result = start ? start() : 0;
    if (result != 1) {
        Post([this, result] {
            if (Hooks_.Balloon)
                Hooks_.Balloon("Error Code: " + std::to_string(result), StartFailedTitle);
        });
        return;
    }
    platform::TSharedMemoryView view;
    if (!view.Open(Places_.Area)) return;
    view.Close();
    Post([this, run] { MBMDLLDone(run); });
}

void TMBMLink::MBMDLLDone(unsigned run) {
    LogAdd("MBMDLLDone");
    if (run != Run_) return; // a suspend or resume came in between
    LoaderBusy_ = false;
    JoinLoaders(false);
}

bool TMBMLink::ReadSharedData() {
    LogAdd("ReadSharedData");
    if (!MonitorWanted_ || LoaderBusy_) return false;
    const struct {
        int Kind;
        std::array<std::int32_t, mbm::ReadingsPerKind>& Into;
    } groups[] = {{mbm::KindTemperature, SensorTemp_}, {mbm::KindFan, SensorFan_}};
    for (const auto& group : groups) {
        for (int n = 0; n < mbm::ReadingsPerKind; ++n) {
            std::int32_t whole = 0;
            if (const std::optional<double> value = ReadPosition(group.Kind, n)) {
                // A value no 32-bit field can hold leaves the record's readings standing.
                if (mbm::RoundReading(*value, whole) == mbm::TRounding::OutOfRange) return false;
            }
            group.Into[static_cast<std::size_t>(n)] = whole;
        }
    }
    return true;
}

std::optional<double> TMBMLink::ReadPosition(int kind, int n) const {
    platform::TSharedMemoryView view;
    if (!view.Open(Places_.Area)) return std::nullopt;
    return mbm::ReadSensor(view.Data(), kind, n);
}

void TMBMLink::PowerMsg(int event) {
    LogAdd("PowerMsg");
    switch (event) {
    case platform::PBT_APMSUSPEND:
    case platform::PBT_APMSTANDBY:
        // Nothing is loaded while the machine sleeps; the library stays loaded.
        StarterHandle_ = nullptr;
        LoaderBusy_ = true;
        ++Run_;
        break;
    case platform::PBT_APMRESUMECRITICAL:
    case platform::PBT_APMRESUMESUSPEND:
    case platform::PBT_APMRESUMESTANDBY:
        StarterHandle_ = nullptr;
        LoaderBusy_ = false;
        ++Run_;
        break;
    default:
        break;
    }
}

void TMBMLink::Stop() {
    if (Stopped_) return;
    Stopped_ = true;
    // A loader inside Start must finish before the library can be stopped and freed.
    JoinLoaders(true);
    platform::TModuleHandle module = StarterHandle_.exchange(nullptr);
    if (!module) return;
    if (const auto stop = reinterpret_cast<TStopFunc>(platform::GetProcAddress(module, "Stop")))
        stop();
    platform::FreeLibrary(module);
}

bool TMBMLink::LoaderRunning() const {
    return std::any_of(Loaders_.begin(), Loaders_.end(),
                       [](const auto& loader) { return !loader->Finished; });
}

void TMBMLink::JoinLoaders(bool all) {
    for (auto it = Loaders_.begin(); it != Loaders_.end();) {
        TLoader& loader = **it;
        if (all || loader.Finished) {
            if (loader.Thread.joinable()) loader.Thread.join();
            it = Loaders_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace keltrix
