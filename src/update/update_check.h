#pragma once
// The update check: the published update file downloaded into the data folder, its version
// compared with ours, the download page offered; at start-up, every few days and on demand.
// The download runs on a worker thread so the window goes on refreshing; the main timer is
// suspended only once the file is in, while it is read and the questions are shown.

#include "platform/event_loop.h"
#include "platform/url_download.h"
#include "update/poll_timer.h"
#include "update/update_file.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace keltrix {

class TRegistryStore;

inline constexpr const char* DefaultUpdateURL = "http://www.orlenwickstudios.com/update/update.col";

struct TUpdateHooks {
    // Around reading the file and the questions: the main timer suspended, the pin-to-desktop
    // order held.
    std::function<void()> BeginPrompt;
    std::function<void()> EndPrompt;
    // An information box with Yes and No; true for Yes.
    std::function<bool(const std::string& text)> AskYesNo;
    // An information box with OK.
    std::function<void(const std::string& text)> Inform;
    // The shell-open function; false with a reason when nothing could be started.
    std::function<bool(const std::string& page, std::string& error)> OpenPage;
    // Why a check went wrong, for the terminal.
    std::function<void(const std::string& text)> Note;
    // A check has ended, whichever way.
    std::function<void()> OnFinished;
};

// "Poll every" as typed: a number of days from 0 to 65535, else nullopt.
std::optional<std::uint16_t> PollDaysFrom(const std::string& text);

class TUpdateCheck {
public:
    static constexpr const char* NotDownloaded = "Update info could not be downloaded";
    static constexpr const char* NotReadable = "Update info could not be read";
    static constexpr const char* NewerAutomatic =
        "There is a new version available of keltrix.\r\nProceed to download page ?";
    static constexpr const char* NewerAsked = "Update Found !!!\r\nLaunch Webpage ?";
    static constexpr const char* Current = "You are running the most current version";
    static constexpr const char* Outdated = "Server location is outdated";

    // tempFile: where the update file is downloaded to (and deleted after reading).
    TUpdateCheck(platform::TEventLoop& loop, TRegistryStore& settings, std::string tempFile,
                 TPollTimer::TClock clock = {});
    ~TUpdateCheck();
    TUpdateCheck(const TUpdateCheck&) = delete;
    TUpdateCheck& operator=(const TUpdateCheck&) = delete;

    TUpdateHooks Hooks;
    platform::TDownloadLimits Limits;

    bool UpdateEnabled = false;  // AutoUpdate
    bool CheckAtStartup = false; // AU_Startup
    bool NoUpdate = false;       // "-noupdate": only the start-up check is skipped
    std::uint16_t PollDays() const { return PollDays_; }

    // Start-up: the poll timer from the period, then the start-up check unless "-noupdate".
    void Startup(bool updateEnabled, bool atStartup, std::int32_t pollDays, bool noUpdate);
    // "Update Settings" OK: the values stored, the poll timer set.
    void Apply(bool updateEnabled, bool atStartup, std::uint16_t pollDays);

    void CheckForUpdate(bool automatic);
    // "Check For Update...": a check even with updates disabled or "-noupdate" given.
    void CheckForUpdate1Click();
    void updatetimerTimer();
    // Exit: the poll timer stopped, a download under way cancelled.
    void Stop();

    // A check is under way (downloading, or its questions open); another one waits for it.
    bool Busy() const { return Busy_; }
    // UpdateURL, or the maker's update file.
    std::string Url() const;
    const std::string& TempFile() const { return TempFile_; }
    const TPollTimer& updatetimer() const { return Timer_; }

private:
    void SetPollPeriod(std::uint16_t days);
    void Downloaded(bool automatic);
    void AfterDownload(bool automatic);
    void Finish();
    void Note(const std::string& text) const;

    platform::TEventLoop& Loop_;
    TRegistryStore& Settings_;
    const std::string TempFile_;
    TPollTimer Timer_;
    std::uint16_t PollDays_ = 0;
    bool Busy_ = false;
    std::unique_ptr<platform::TDownloadJob> Job_;
    std::shared_ptr<int> Life_ = std::make_shared<int>(0); // for calls posted to the loop
};

} // namespace keltrix
