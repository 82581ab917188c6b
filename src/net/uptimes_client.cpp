#include "net/uptimes_client.h"

#include "base/smartlog.h"
#include "settings/registry_store.h"

namespace keltrix {
namespace {

// A hand-edited value of the wrong type reads as missing: nothing here may stop start-up.
std::string StoredText(TRegistryStore& store, const char* name) {
    try {
        return store.ValueExists(name) ? store.ReadString(name) : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

TUptimesClient::TUptimesClient(platform::TEventLoop& loop, TRegistryStore& settings,
                               std::uint32_t versionWord, std::string osName)
    : Loop_(loop), Settings_(settings), OsName_(std::move(osName)),
      OsLevel_(OsLevelText(versionWord)), Dial_(loop) {
    Dial_.OnConnected = [this](int fd) { cliConnect(fd); };
    Dial_.OnFailed = [this](const std::string& why) { cliError(why); };
}

TUptimesClient::~TUptimesClient() {
    Stop();
}

TUptimesServer TUptimesClient::Server() const {
    if (auto server = ParseUptimesServer(StoredText(Settings_, "UptimesServer"))) return *server;
    return TUptimesServer{DefaultUptimesServer, UptimesPort};
}

void TUptimesClient::Startup(bool clientMode, bool checked, std::int32_t intervalMs) {
    if (clientMode) {
        Checked_ = false;
        Enabled_ = false;
        return;
    }
    Enabled_ = true;
    Checked_ = checked;
    // A hand-edited period outside the command's range gets the command's default.
    Interval_ = UptimesInterval(std::to_string(intervalMs)).value_or(UptimesIntervalDefault);
    // Someone who turned reporting on and gave a key expects it to go on after a restart.
    if (Checked_ && ValidUptimesKey(StoredText(Settings_, "UptimesHost"))) {
        UptimesTimerTimer();
        StartTimer();
    }
}

void TUptimesClient::ActUptimesClientClick(bool clientMode) {
    LogAdd("ActUptimesClientClick");
    if (clientMode) {
        if (Hooks.Warning) Hooks.Warning(ClientRefusal);
        return;
    }
    Checked_ = !Checked_;
    Settings_.WriteBool("ActUptimesClient", Checked_);
    StopTimer();
    if (!Checked_) return;

    const auto period = Hooks.InputBox(IntervalTitle, IntervalPrompt, std::to_string(Interval_));
    if (!period) return; // checked, but nothing is sent
    const auto accepted = UptimesInterval(*period);
    if (!accepted && Hooks.Warning)
        Hooks.Warning(*period + " is not a valid value; using default of 60000");
    Interval_ = accepted.value_or(UptimesIntervalDefault);
    Settings_.WriteInteger("UptimesInterval", Interval_);

    const auto key = Hooks.InputBox(KeyTitle, KeyPrompt, "");
    if (!key) return;
    if (!ValidUptimesKey(*key)) {
        if (Hooks.Warning) Hooks.Warning(*key + " is not a valid 32-character host name");
        return;
    }
    Settings_.WriteString("UptimesHost", *key);
    UptimesTimerTimer();
    StartTimer();
}

void TUptimesClient::StartTimer() {
    StopTimer();
    Timer_ = Loop_.StartTimer(Interval_, [this] { UptimesTimerTimer(); });
}

void TUptimesClient::StopTimer() {
    if (Timer_ != 0) Loop_.StopTimer(Timer_);
    Timer_ = 0;
}

void TUptimesClient::Stop() {
    StopTimer();
    Close();
}

void TUptimesClient::UptimesTimerTimer() {
    LogAdd("UptimestimerTimer");
    Close(); // whatever the last report was still doing
    Target_ = Server();
    Dial_.Start(Target_.Host, Target_.Port);
}

void TUptimesClient::cliConnect(int fd) {
    LogAdd("cliConnect");
    Fd_ = fd;
    TUptimesReport report;
    report.Key = StoredText(Settings_, "UptimesHost");
    if (Hooks.Measure) Hooks.Measure(report.UptimeSeconds, report.ProcUsage);
    report.OsName = OsName_;
    report.OsLevel = OsLevel_;
    Pending_ = UptimesRequest(Target_, report);
    SendRest();
}

void TUptimesClient::SendRest() {
    std::size_t sent = 0;
    std::string error;
    // A fresh connection takes the whole request at once; a full buffer waits for room.
    switch (platform::SendSome(Fd_, Pending_.data(), Pending_.size(), sent, &error)) {
    case platform::TIoResult::Failed:
    case platform::TIoResult::Closed:
        cliError(error.empty() ? Target_.Host + " closed the connection" : error);
        return;
    case platform::TIoResult::WouldBlock:
    case platform::TIoResult::Done:
        break;
    }
    Pending_.erase(0, sent);
    if (!Pending_.empty()) {
        Loop_.WatchFd(Fd_, platform::IoRead | platform::IoWrite, [this](unsigned events) {
            if (events & platform::IoWrite) SendRest();
            if ((events & platform::IoRead) && Fd_ >= 0) cliRead();
        });
        return;
    }
    Loop_.WatchFd(Fd_, platform::IoRead, [this](unsigned) { cliRead(); });
    if (Hooks.OnSent) Hooks.OnSent();
}

void TUptimesClient::cliRead() {
    LogAdd("cliRead");
    // The service's answer is not looked at; it must never reach the record.
    char discard[4096];
    // A few reads a wake-up: a service that never stops sending must not hold the loop.
    for (int reads = 0; reads < 16; ++reads) {
        std::size_t n = 0;
        std::string error;
        switch (platform::ReceiveSome(Fd_, discard, sizeof discard, n, &error)) {
        case platform::TIoResult::Done:
            continue;
        case platform::TIoResult::WouldBlock:
            return;
        case platform::TIoResult::Closed:
            Close(); // the service closes after answering
            return;
        case platform::TIoResult::Failed:
            cliError(error);
            return;
        }
    }
}

void TUptimesClient::cliError(const std::string& why) {
    LogAdd("cliError");
    Close();
    if (Hooks.OnError) Hooks.OnError(why);
}

void TUptimesClient::Close() {
    Dial_.Cancel();
    if (Fd_ >= 0) {
        Loop_.UnwatchFd(Fd_);
        platform::CloseSocket(Fd_);
    }
    Fd_ = -1;
    Pending_.clear();
}

} // namespace keltrix
