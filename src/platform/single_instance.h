#pragma once
// The named kernel objects of a logon session: a mutex held for the life of the process and
// an auto-reset event. Both live in the user's runtime folder.

#include <string>

namespace keltrix::platform {

enum class TMutexState {
    Owned,         // this process now owns it, until it ends
    HeldElsewhere, // another live process owns it
    Unavailable,   // no private folder or lock file: nobody can own it
};
// Creates (or opens) the named mutex and waits on it with a zero time-out. A mutex left by a
// process that died counts as acquired. Unavailable gives the reason in *problem.
TMutexState AcquireNamedMutex(const std::string& name, std::string* problem = nullptr);

// The receiving side of a named auto-reset event: a datagram socket that the UI loop watches.
class TNamedEvent {
public:
    explicit TNamedEvent(std::string name);
    ~TNamedEvent();
    TNamedEvent(const TNamedEvent&) = delete;
    TNamedEvent& operator=(const TNamedEvent&) = delete;

    // Starts listening; false when another live process already listens for this event.
    bool Create(std::string* error = nullptr);
    int Fd() const { return Fd_; }
    // Takes all pending signals; true when at least one was pending (auto-reset).
    bool Consume();

    // Sets the event (the refused instance's side). False when nobody is listening.
    static bool Set(const std::string& name);

private:
    std::string Name_;
    std::string Path_;
    int Fd_ = -1;
};

} // namespace keltrix::platform
