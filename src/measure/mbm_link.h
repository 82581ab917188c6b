#pragma once
// The link to the hardware monitor: its starter library is loaded and started once on a loader
// thread; from then on every sample copies nine temperatures and nine fan speeds from the
// monitor's shared memory into the record.

#include "measure/mbm_shared.h"
#include "measure/raw_data.h"
#include "platform/dynamic_library.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace keltrix {

inline constexpr const char* MonitorRunningMessage =
    "MBM is running - Please shut it down for Keltrix to work with MBM";
inline constexpr const char* StartFailedTitle = "MBM Failed to Launch";

struct TMBMLinkHooks {
    // Runs a job on the main thread later; the link hands its results over through it.
    std::function<void(std::function<void()>)> Post;
    std::function<bool()> ClientMode;
    // A window of class "TMBM" titled "MBM" exists; asked on the main thread.
    std::function<bool()> MonitorWindowExists;
    // On the main thread: stop the main timer, show the message, restart the timer.
    std::function<void(const std::string& message)> MonitorRunning;
    // On the main thread: the error balloon.
    std::function<void(const std::string& text, const std::string& title)> Balloon;
};

// Where the link finds its outside components; the defaults are the real ones.
struct TMBMLinkPlaces {
    std::string Library = mbm::StarterLibraryName;
    std::string Area = mbm::SharedMemoryName;
    // Searched before the system's search; unset: the program's dll folders.
    std::optional<std::vector<std::string>> Folders;
};

class TMBMLink {
public:
    explicit TMBMLink(TMBMLinkHooks hooks, TMBMLinkPlaces places = {});
    ~TMBMLink(); // waits for the loader threads; Stop must have run before
    TMBMLink(const TMBMLink&) = delete;
    TMBMLink& operator=(const TMBMLink&) = delete;

    // The sensor block of a sample (main thread).
    void SensorBlock(TRawData& data);
    // The 18 readings into SensorTemp and SensorFan; false leaves the record as it is.
    bool ReadSharedData();
    // A power broadcast event (PBT_*), main thread.
    void PowerMsg(int event);
    // At exit: the starter's Stop, then the library is freed. Nothing is loaded afterwards.
    void Stop();

    bool StarterLoaded() const { return StarterHandle_.load() != nullptr; }
    bool LoaderBusy() const { return LoaderBusy_.load(); }
    bool MonitorWanted() const { return MonitorWanted_.load(); }
    // A loader thread has not ended yet (main thread).
    bool LoaderRunning() const;
    const std::array<std::int32_t, mbm::ReadingsPerKind>& SensorTemp() const { return SensorTemp_; }
    const std::array<std::int32_t, mbm::ReadingsPerKind>& SensorFan() const { return SensorFan_; }

private:
    struct TLoader {
        std::thread Thread;
        std::atomic<bool> Finished{false};
    };

    void StartLoader();
    void DLLLoad(unsigned run, bool monitorByHand);
    void MBMDLLDone(unsigned run);
    void Post(std::function<void()> job);
    void JoinLoaders(bool all);
    std::optional<double> ReadPosition(int kind, int n) const;

    TMBMLinkHooks Hooks_;
    TMBMLinkPlaces Places_;
    std::vector<std::string> Folders_;
    // The loader threads and the main thread share these.
    std::atomic<platform::TModuleHandle> StarterHandle_{nullptr};
    std::atomic<bool> LoaderBusy_{false};
    std::atomic<bool> MonitorWanted_{true};
    std::atomic<bool> CheckRunningMonitor_{true};
    // Each loader run and each power event count one up: a loader that finishes after a
    // suspend or resume reports to nobody.
    std::atomic<unsigned> Run_{0};
    bool Stopped_ = false;
    std::array<std::int32_t, mbm::ReadingsPerKind> SensorTemp_{};
    std::array<std::int32_t, mbm::ReadingsPerKind> SensorFan_{};
    std::vector<std::unique_ptr<TLoader>> Loaders_;
    // Jobs posted to the main thread run only while the link lives.
    std::shared_ptr<bool> Alive_ = std::make_shared<bool>(true);
};

} // namespace keltrix
