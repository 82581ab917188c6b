#include "app/headless_mode.h"

#include "app/headless_web.h"
#include "base/errors.h"
#include "measure/sampling_cycle.h"
#include "platform/exit_signals.h"
#include "platform/paths.h"
#include "settings/uptime_stats.h"

#include <algorithm>
#include <iostream>
#include <poll.h>

namespace keltrix {

THeadlessLoop::TTimerId THeadlessLoop::StartTimer(int intervalMs, std::function<void()> tick) {
    const auto interval = std::chrono::milliseconds(std::max(intervalMs, 1));
    const TTimerId id = NextId_++;
    Timers_[id] = TTimer{interval, TClock::now() + interval,
                         std::make_shared<std::function<void()>>(std::move(tick))};
    return id;
}

void THeadlessLoop::Run(int exitFd) {
    while (!Quit_) {
        int wait = -1;
        const auto now = TClock::now();
        for (const auto& [id, t] : Timers_) {
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(t.Next - now).count();
            const int due = static_cast<int>(std::clamp<long long>(ms, 0, 1 << 30));
            if (wait < 0 || due < wait) wait = due;
        }
        pollfd p{exitFd, POLLIN, 0};
        if (::poll(&p, exitFd >= 0 ? 1 : 0, wait) > 0) {
            platform::TakeExitSignal(exitFd);
            return;
        }
        std::vector<std::pair<TTimerId, std::shared_ptr<std::function<void()>>>> due;
        const auto after = TClock::now();
        for (auto& [id, t] : Timers_) {
            if (t.Next > after) continue;
            // A loop that fell behind ticks once, not once per missed interval.
            t.Next += t.Interval;
            if (t.Next <= after) t.Next = after + t.Interval;
            due.emplace_back(id, t.Tick);
        }
        for (auto& [id, tick] : due)
            if (Timers_.count(id) && !Quit_) (*tick)();
    }
}

THeadlessHost::THeadlessHost(std::unique_ptr<TRegistryStore> settings)
    : Settings_(std::move(settings)), Core_(*Settings_) {}

THeadlessHost::~THeadlessHost() = default;

void THeadlessHost::AddService(std::unique_ptr<THeadlessService> service) {
    Services_.push_back(std::move(service));
}

bool THeadlessHost::StartUp(const std::vector<std::string>& args) {
    if (const std::string problem = Settings_->LoadError(); !problem.empty())
        std::cerr << "keltrix: " << problem << " (running on defaults, nothing is saved)\n";
    Core_.OpenSettingsAndSwitches(args);
    for (const std::string& e : Core_.StartupErrors) std::cerr << "keltrix: " << e << "\n";
    if (Core_.Switches.ClientMode) {
        std::cerr << "keltrix: --headless serves this machine; watch a server with the window\n";
        return false;
    }
    Core_.ReadUptimeFormatAndExclusions();
    Core_.CreateRecordAndFormatters();
    Core_.ReadFormatString();

    Sampling_ = std::make_unique<TSamplingCycle>(*Core_.RawData, Core_.Formatters);
    Sampling_->SetExclude(Core_.Exclude);
    const std::string map =
        Settings_->ValueExists("DriveMap") ? Settings_->ReadString("DriveMap") : std::string();
    if (const platform::TResult r = Sampling_->SetDriveMap(map); !r.Ok())
        std::cerr << "keltrix: DriveMap: " << r.Reason << "\n";
    const int interval = Core_.ReadInterval();
    Sampling_->TimerInterval = [interval] { return static_cast<std::uint32_t>(interval); };
    Sampling_->OnFailure = [this](const std::string& cls, const std::string& message,
                                  const std::vector<std::string>& report) {
        for (const std::string& line : report) std::cerr << line << "\n";
        std::cerr << "keltrix: sampling failed: " << cls << ": " << message << "\n";
        Failed_ = true;
        Loop_.Quit();
    };

    // No display of its own decides: every block runs, every mapped drive is measured.
    for (auto& f : Core_.Formatters) f->Active = true;
    TRawData& record = Core_.RawData->Data();
    int slot = 1;
    for (const platform::TDrive& d : Sampling_->DriveMap().Drives())
        if (slot <= 16) record.Drives[slot++].Letter = d.Letter;

    Sample(true);
    if (Failed_) return false;
    if (interval > 0) Loop_.StartTimer(interval, [this] { Sample(false); });

    for (auto& service : Services_) {
        if (!service->Wanted(*this)) continue;
        try {
            service->Start(*this);
        } catch (const std::exception& e) {
            std::cerr << "keltrix: the " << service->Name() << " cannot start: " << e.what()
                      << "\n";
            return false;
        }
        Running_.push_back(service.get());
    }
    if (Running_.empty())
        std::cerr << "keltrix: --headless: no service is switched on, so nothing is served; "
                     "store one with --web-service[=PORT]\n";
    return true;
}

void THeadlessHost::Sample(bool force) {
    const std::lock_guard<std::mutex> hold(RecordLock_);
    Sampling_->GetInfo(force);
}

int THeadlessHost::Run(const std::vector<std::string>& args) {
    const int signals = platform::WatchExitSignals();
    bool started = false;
    try {
        started = StartUp(args);
        if (started) Loop_.Run(signals);
    } catch (const std::exception& e) {
        std::cerr << "keltrix: " << ExceptionClassName(e) << ": " << e.what() << "\n";
        Failed_ = true;
    }
    Exit(started);
    return started && !Failed_ ? 0 : 1;
}

void THeadlessHost::Exit(bool countRun) {
    for (auto it = Running_.rbegin(); it != Running_.rend(); ++it) {
        try {
            (*it)->Stop();
        } catch (const std::exception& e) {
            std::cerr << "keltrix: stopping the " << (*it)->Name() << ": " << e.what() << "\n";
        }
    }
    Running_.clear();
    // The statistics count a run that served, as the window's exit does.
    try {
        if (countRun) RecordExitUptime(*Settings_, Core_.RawData->Data().Uptime);
        Settings_->CloseKey();
    } catch (const std::exception& e) {
        std::cerr << "keltrix: during exit: " << e.what() << "\n";
    }
}

int RunHeadlessMode(const std::vector<std::string>& args) {
    THeadlessHost host(std::make_unique<TRegistryStore>(platform::SettingsFile()));
    AddWebServices(host);
    return host.Run(args);
}

} // namespace keltrix
