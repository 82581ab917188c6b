#include "update/update_check.h"

#include "base/smartlog.h"
#include "measure/comma_text.h"
#include "settings/registry_store.h"
#include "tags/number_format.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace keltrix {
namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// The questions and the main timer's pause end together, on every way out.
class TPromptScope {
public:
    explicit TPromptScope(const TUpdateHooks& hooks) : Hooks_(hooks) {
        if (Hooks_.BeginPrompt) Hooks_.BeginPrompt();
    }
    ~TPromptScope() {
        if (Hooks_.EndPrompt) Hooks_.EndPrompt();
    }
    TPromptScope(const TPromptScope&) = delete;
    TPromptScope& operator=(const TPromptScope&) = delete;

private:
    const TUpdateHooks& Hooks_;
};

} // namespace

std::optional<std::uint16_t> PollDaysFrom(const std::string& text) {
    const auto days = ParseWholeNumber(TrimBlanks(text));
    if (!days || *days < 0 || *days > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(*days);
}

TUpdateCheck::TUpdateCheck(platform::TEventLoop& loop, TRegistryStore& settings,
                           std::string tempFile, TPollTimer::TClock clock)
    : Loop_(loop), Settings_(settings), TempFile_(std::move(tempFile)),
      Timer_(loop, std::move(clock)) {
    Timer_.OnTimer = [this] { updatetimerTimer(); };
}

TUpdateCheck::~TUpdateCheck() {
    Stop();
}

void TUpdateCheck::Stop() {
    Timer_.SetEnabled(false);
    if (!Job_) return;
    if (Job_->Fd() >= 0) Loop_.UnwatchFd(Job_->Fd());
    Job_.reset();
    Busy_ = false;
}

std::string TUpdateCheck::Url() const {
    try {
        if (Settings_.ValueExists("UpdateURL")) {
            std::string url = Settings_.ReadString("UpdateURL");
            if (!TrimBlanks(url).empty()) return url;
        }
    } catch (const std::exception& e) {
        Note(std::string("UpdateURL: ") + e.what()); // a value of another type: the default
    }
    return DefaultUpdateURL;
}

void TUpdateCheck::Note(const std::string& text) const {
    if (Hooks.Note) Hooks.Note(text);
}

void TUpdateCheck::SetPollPeriod(std::uint16_t days) {
    PollDays_ = days;
    // 65535 days are 5.7e12 ms: the period lives in 64 bits, never in a 32-bit timer.
    Timer_.SetInterval(static_cast<std::uint64_t>(days) * MsPerDay);
    Timer_.SetEnabled(days != 0);
}

void TUpdateCheck::Startup(bool updateEnabled, bool atStartup, std::int32_t pollDays,
                           bool noUpdate) {
    UpdateEnabled = updateEnabled;
    CheckAtStartup = atStartup;
    NoUpdate = noUpdate;
    SetPollPeriod(static_cast<std::uint16_t>(pollDays & 0xFFFF));
    if (CheckAtStartup && !NoUpdate) CheckForUpdate(true);
}

void TUpdateCheck::Apply(bool updateEnabled, bool atStartup, std::uint16_t pollDays) {
    UpdateEnabled = updateEnabled;
    CheckAtStartup = atStartup;
    Settings_.WriteBool("AutoUpdate", UpdateEnabled);
    Settings_.WriteBool("AU_Startup", CheckAtStartup);
    Settings_.WriteInteger("AU_Poll", pollDays);
    SetPollPeriod(pollDays);
}

void TUpdateCheck::CheckForUpdate1Click() {
    LogAdd("CheckForUpdate1Click");
    const bool enabled = UpdateEnabled;
    const bool noUpdate = NoUpdate;
    UpdateEnabled = true;
    NoUpdate = false;
    try {
        CheckForUpdate(false);
    } catch (...) {
        UpdateEnabled = enabled;
        NoUpdate = noUpdate;
        throw;
    }
    UpdateEnabled = enabled;
    NoUpdate = noUpdate;
}

void TUpdateCheck::updatetimerTimer() {
    LogAdd("UpdateTimerTimer");
    CheckForUpdate(true);
}

void TUpdateCheck::CheckForUpdate(bool automatic) {
    LogAdd("CheckForUpdate");
    if (!UpdateEnabled) return;
    if (Busy_) {
        Note("an update check is under way already");
        return;
    }
    if (FileExists(TempFile_) && std::remove(TempFile_.c_str()) != 0)
        Note("cannot delete " + TempFile_ + ": " + std::strerror(errno));
    const std::string url = Url();
    LogAdd("DownloadFile ( " + url + " , " + TempFile_ + " )");
    Busy_ = true;
    Job_ = std::make_unique<platform::TDownloadJob>(url, TempFile_, Limits);
    if (Job_->Fd() < 0) {
        Loop_.Post([this, life = std::weak_ptr<int>(Life_), automatic] {
            if (!life.expired()) Downloaded(automatic);
        });
        return;
    }
    Loop_.WatchFd(Job_->Fd(), platform::IoRead,
                  [this, automatic](unsigned) { Downloaded(automatic); });
}

void TUpdateCheck::Downloaded(bool automatic) {
    platform::TResult result;
    if (!Job_ || !Job_->Take(result)) return;
    if (Job_->Fd() >= 0) Loop_.UnwatchFd(Job_->Fd());
    Job_.reset();
    if (!result) Note("update check: " + result.Reason);
    try {
        AfterDownload(automatic);
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
}

void TUpdateCheck::AfterDownload(bool automatic) {
    const TPromptScope prompt(Hooks);
    std::ifstream in(TempFile_, std::ios::binary);
    if (!in) {
        if (Hooks.Inform) Hooks.Inform(NotDownloaded);
        return;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    if (std::remove(TempFile_.c_str()) != 0)
        Note("cannot delete " + TempFile_ + ": " + std::strerror(errno));
    const TUpdateFile file = ParseUpdateFile(text);

    switch (Judge(file)) {
    case TUpdateVerdict::Unreadable:
        Note("update check: the first line \"" + file.VersionLine + "\" of " + Url() +
             " is not a version number");
        if (Hooks.Inform) Hooks.Inform(NotReadable);
        return;
    case TUpdateVerdict::Newer: {
        if (!Hooks.AskYesNo || !Hooks.AskYesNo(automatic ? NewerAutomatic : NewerAsked)) return;
        std::string error;
        if (Hooks.OpenPage && !Hooks.OpenPage(file.Page, error)) {
            Note("cannot open " + file.Page + ": " + error);
            if (Hooks.Inform) Hooks.Inform("Cannot open " + file.Page + "\r\n" + error);
        }
        return;
    }
    case TUpdateVerdict::Current:
        if (!automatic && Hooks.Inform) Hooks.Inform(Current);
        return;
    case TUpdateVerdict::Outdated:
        if (!automatic && Hooks.Inform) Hooks.Inform(Outdated);
        return;
    }
}

void TUpdateCheck::Finish() {
    Busy_ = false;
    if (Hooks.OnFinished) Hooks.OnFinished();
}

} // namespace keltrix
