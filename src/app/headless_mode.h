#pragma once
// The headless server: a monitoring instance with no display and no output that samples
// everything (its clients decide what they show) and runs the services stored as switched
// on. Plain C++ throughout, so it loads no Qt or X library.

#include "app/monitor_core.h"
#include "platform/event_loop.h"
#include "settings/registry_store.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace keltrix {

class THeadlessHost;
class TSamplingCycle;
class TConsoleSensorLink;

// A service of the headless server (the record link, the web service, ...). Started in the
// order added, after the first sample; stopped in reverse order by the orderly exit.
class THeadlessService {
public:
    virtual ~THeadlessService() = default;
    virtual const char* Name() const = 0;
    // False when the service is not switched on in the settings: it stays out.
    virtual bool Wanted(THeadlessHost& host) = 0;
    // Throws with the reason when it cannot start; the server then ends with that message.
    virtual void Start(THeadlessHost& host) = 0;
    virtual void Stop() = 0;
};

class THeadlessHost {
public:
    explicit THeadlessHost(std::unique_ptr<TRegistryStore> settings);
    ~THeadlessHost();

    void AddService(std::unique_ptr<THeadlessService> service);
    // Start-up, the loop until SIGTERM, SIGINT or SIGHUP, the orderly exit. The exit status.
    int Run(const std::vector<std::string>& args);

    // What services use: the loop for descriptors and timers, the settings, the record with
    // its formatters. Threads of their own take RecordLock() to read the record, which the
    // sampling holds while it writes.
    platform::TEventLoop& Loop() { return Loop_; }
    TRegistryStore& Settings() { return *Settings_; }
    TMonitorCore& Core() { return Core_; }
    TRawDataShell& Record() { return *Core_.RawData; }
    std::mutex& RecordLock() { return RecordLock_; }
    const TSamplingCycle* Sampling() const { return Sampling_.get(); }

private:
    bool StartUp(const std::vector<std::string>& args);
    void Sample(bool force);
    void Exit(bool countRun);

    std::unique_ptr<TRegistryStore> Settings_;
    TMonitorCore Core_;
    platform::TPollLoop Loop_;
    std::mutex RecordLock_;
    std::unique_ptr<TSamplingCycle> Sampling_;
    std::unique_ptr<TConsoleSensorLink> Sensors_; // serves Sampling_: released first
    std::vector<std::unique_ptr<THeadlessService>> Services_;
    std::vector<THeadlessService*> Running_;
    bool Failed_ = false;
};

// `keltrix --headless`: the host with every service this program has.
int RunHeadlessMode(const std::vector<std::string>& args);

} // namespace keltrix
