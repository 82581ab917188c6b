#include "app/headless_mode.h"

#include "app/console_mode.h"

#include "app/console_sensors.h"
#include "app/headless_web.h"
#include "measure/sampling_cycle.h"
#include "net/link.h"
#include "platform/exit_signals.h"
#include "platform/paths.h"
#include "settings/service_settings.h"
#include "settings/uptime_stats.h"

#include <iostream>

namespace keltrix {
namespace {

// The TCP record link, when `Server` is stored true.
class TLinkService final : public THeadlessService {
public:
    const char* Name() const override { return "record server"; }
    bool Wanted(THeadlessHost& host) override {
        ReadServerSettings(host.Settings(), Stored_);
        return Stored_.Server;
    }
    void Start(THeadlessHost& host) override {
        Link_ = std::make_unique<TNetLink>(host.Settings(), host.Record(), host.Loop());
        Link_->servListen(Stored_.ServPort);
    }
    void Stop() override { Link_.reset(); }

private:
    TServiceSettings Stored_;
    std::unique_ptr<TNetLink> Link_;
};

} // namespace

THeadlessHost::THeadlessHost(std::unique_ptr<TRegistryStore> settings)
    : Settings_(std::move(settings)), Core_(*Settings_) {}

THeadlessHost::~THeadlessHost() = default;

void THeadlessHost::AddService(std::unique_ptr<THeadlessService> service) {
    Services_.push_back(std::move(service));
}

bool THeadlessHost::StartUp(const std::vector<std::string>& args) {
    if (const std::string problem = Settings_->LoadError(); !problem.empty())
        std::cerr << "keltrix: " << problem << " (running on defaults, nothing is saved)\n";
    Settings_->SetProblemSink(ConsoleError);
    Core_.OpenSettingsAndSwitches(args);
    for (const std::string& e : Core_.StartupErrors) std::cerr << "keltrix: " << e << "\n";
    if (Core_.Switches.ClientMode) {
        std::cerr << "keltrix: --headless serves this machine; watch a server with the window "
                     "or with --console -c -iHOST\n";
        return false;
    }
    Core_.ReadUptimeFormatAndExclusions();
    Core_.CreateRecordAndFormatters();
    Core_.ReadFormatString();

    Sampling_ = std::make_unique<TSamplingCycle>(*Core_.RawData, Core_.Formatters);
    Core_.ApplyNetInterfaces(*Sampling_);
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

    // Temperatures and fans are blocks too: the hardware-monitor link starts like the window's.
    Sensors_ = std::make_unique<TConsoleSensorLink>(*Sampling_);

    // No format string of its own decides: every block runs, every mapped drive is measured.
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
                     "store one with --server[=PORT] or --web-service[=PORT]\n";
    return true;
}

void THeadlessHost::Sample(bool force) {
    if (Sensors_) Sensors_->RunPosted();
    const std::lock_guard<std::mutex> hold(RecordLock_);
    Sampling_->GetInfo(force);
}

int THeadlessHost::Run(const std::vector<std::string>& args) {
    const int signals = platform::WatchExitSignals();
    if (signals >= 0)
        Loop_.WatchFd(signals, platform::IoRead, [this, signals](unsigned) {
            platform::TakeExitSignal(signals);
            Loop_.Quit();
        });
    bool started = false;
    try {
        started = StartUp(args);
        if (started) Loop_.Run();
    } catch (const std::exception& e) {
        std::cerr << "keltrix: " << ExceptionClassName(e) << ": " << e.what() << "\n";
        Failed_ = true;
    }
    Exit(started);
    if (signals >= 0) Loop_.UnwatchFd(signals);
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
    // The statistics count a run that served, as the window's exit does; a refused start is
    // no run.
    try {
        if (countRun) RecordExitUptime(*Settings_, Core_.RawData->Data().Uptime);
        Settings_->CloseKey();
    } catch (const std::exception& e) {
        std::cerr << "keltrix: during exit: " << e.what() << "\n";
    }
}

int RunHeadlessMode(const std::vector<std::string>& args) {
    THeadlessHost host(std::make_unique<TRegistryStore>(platform::SettingsFile()));
    host.AddService(std::make_unique<TLinkService>());
    AddWebServices(host);
    return host.Run(args);
}

} // namespace keltrix
