#pragma once
// "Act as Uptimes Client": the command with its prompts, the report timer and the connection
// that posts one report to the ranking service per period. The report uses the client socket
// of the record link, so a client instance cannot report. Runs on the thread of its loop.

#include "net/tcp_dial.h"
#include "net/uptimes_report.h"
#include "platform/event_loop.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace keltrix {

class TRegistryStore;

struct TUptimesHooks {
    // A warning box with OK.
    std::function<void(const std::string& text)> Warning;
    // A one-line input box: the edited text, or nothing for Cancel.
    std::function<std::optional<std::string>(const std::string& title, const std::string& prompt,
                                             const std::string& value)>
        InputBox;
    // The record's Uptime (seconds) and ProcUsage[0] at the moment of sending.
    std::function<void(std::int64_t& uptimeSeconds, float& procUsage)> Measure;
    // The report's connection failed (the tray shows its disconnected picture).
    std::function<void(const std::string& why)> OnError;
    // The whole request went out.
    std::function<void()> OnSent;
};

class TUptimesClient {
public:
    static constexpr const char* ClientRefusal =
        "Sorry, Keltrix clients can not act as Uptimes clients. How did you even get here?";
    static constexpr const char* IntervalTitle = "Uptimes Interval in milliseconds";
    static constexpr const char* IntervalPrompt = "30,000 min, 600,000 max";
    static constexpr const char* KeyTitle = "Uptimes 32-character host name";
    static constexpr const char* KeyPrompt =
        "The 32-character host key from your host's page on the Uptimes web site";

    TUptimesClient(platform::TEventLoop& loop, TRegistryStore& settings, std::uint32_t versionWord,
                   std::string osName);
    ~TUptimesClient();
    TUptimesClient(const TUptimesClient&) = delete;
    TUptimesClient& operator=(const TUptimesClient&) = delete;

    TUptimesHooks Hooks;

    // Start-up: the check mark and the period as stored. A client instance is unchecked and
    // disabled. A checked item with a valid stored key resumes reporting.
    void Startup(bool clientMode, bool checked, std::int32_t intervalMs);
    // The menu command; the item's check mark is Checked() afterwards.
    void ActUptimesClientClick(bool clientMode);
    // One report: closes any report under way and connects anew.
    void UptimesTimerTimer();
    // Stops the timer and any report (exit).
    void Stop();

    bool Checked() const { return Checked_; }
    bool Enabled() const { return Enabled_; }
    bool Reporting() const { return Timer_ != 0; }
    std::int32_t Interval() const { return Interval_; }
    const std::string& OsLevel() const { return OsLevel_; }
    // Where reports go: the setting UptimesServer, else the public service.
    TUptimesServer Server() const;

private:
    void StartTimer();
    void StopTimer();
    void cliConnect(int fd);
    void SendRest();
    void cliRead();
    void cliError(const std::string& why);
    void Close();

    platform::TEventLoop& Loop_;
    TRegistryStore& Settings_;
    const std::string OsName_;
    const std::string OsLevel_;
    bool Checked_ = false;
    bool Enabled_ = true;
    std::int32_t Interval_ = UptimesIntervalDefault;
    platform::TEventLoop::TTimerId Timer_ = 0;

    TUptimesServer Target_;
    TTcpDial Dial_;
    int Fd_ = -1;
    std::string Pending_; // request bytes not yet taken by the socket
};

} // namespace keltrix
