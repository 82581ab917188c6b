#pragma once
// Change notifications of one folder: files in it written, created, renamed or removed (not
// in its subfolders). Used from one waiting thread; Interrupt may come from any thread.

#include <chrono>
#include <memory>
#include <string>

namespace keltrix::platform {

class TDirectoryWatch {
public:
    enum class TWaitResult { Changed, TimedOut, Interrupted };

    // Nothing (with the reason in error) when the folder cannot be watched.
    static std::unique_ptr<TDirectoryWatch> Open(const std::string& folder, std::string& error);

    virtual ~TDirectoryWatch() = default;
    // Changed while changes are pending since the last Rearm; they stay pending until then.
    virtual TWaitResult Wait(std::chrono::milliseconds timeout) = 0;
    // Forgets the changes seen so far.
    virtual void Rearm() = 0;
    // Ends the current or the next Wait with Interrupted.
    virtual void Interrupt() = 0;
};

} // namespace keltrix::platform
