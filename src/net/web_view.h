#pragma once
// What the web service reads from the running monitor: one consistent copy of the record, the
// formatters' Active flags and the label texts, taken under the lock that the sampling cycle,
// the refresh and the format-string changes hold while they write them.

#include "measure/raw_data.h"
#include "tags/formatters.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace keltrix {

struct TWebSnapshot {
    TRawData Record{};
    std::vector<bool> Active; // formatter order
    std::uint8_t Alignment = 0;
    std::vector<std::string> Captions; // the display's lines as last shown
    std::string FormatString;          // the display's current format string
    // Drive letter to mount point, and the counted interfaces by slot (1..4); empty where the
    // host does not know them (a client shows a server's record).
    std::vector<std::pair<char, std::string>> MountPoints;
    std::vector<std::string> Interfaces;
    std::string ServerHost; // a client's server; empty on a monitoring instance
};

// The host's side of the view. Every function but UnderLock is called with the lock held.
struct TWebViewSource {
    // Runs the call holding the lock that sampling and refresh hold while they write.
    std::function<void(const std::function<void()>&)> UnderLock;
    TRawDataShell* Record = nullptr;
    const TFormatterList* Formatters = nullptr;
    std::function<const std::vector<std::string>&()> Captions;
    std::function<const std::string&()> FormatString;
    std::function<std::vector<std::pair<char, std::string>>()> MountPoints; // optional
    std::function<std::vector<std::string>()> Interfaces;                   // optional
    std::function<std::string()> ServerHost;                                // optional
};

// UnderLock for a mutex of the host.
template <class TMutex> auto LockWith(TMutex& mutex) {
    return [&mutex](const std::function<void()>& call) {
        const std::lock_guard<TMutex> hold(mutex);
        call();
    };
}

class TWebView {
public:
    explicit TWebView(TWebViewSource source);

    // The current state; the same object as before while nothing changed, so what was built
    // from it can be kept.
    std::shared_ptr<const TWebSnapshot> Current();

    // Letters that a render registered in its copy of the record go into the live one, as
    // the drive-space tag would have put them there (first free entry, sixteen at most).
    void RegisterDrives(const std::vector<char>& letters);

private:
    void Fill(TWebSnapshot& out) const;
    bool SameAsLive(const TWebSnapshot& snapshot) const;
    static void Register(TRawData& data, const std::vector<char>& letters);

    TWebViewSource Source_;
    std::mutex LatestLock_;
    std::shared_ptr<const TWebSnapshot> Latest_;
};

} // namespace keltrix
