#pragma once
// Descriptors and timers watched by one event loop on the thread that owns them. The window
// realises this over the Qt event loop; console mode and the headless server use TPollLoop.
// Handlers run one at a time on that thread; a handler may watch, unwatch or stop anything,
// itself included.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace keltrix::platform {

inline constexpr unsigned IoRead = 1;  // readable, or the peer closed, or an error is pending
inline constexpr unsigned IoWrite = 2; // writable, or a pending connect finished

class TEventLoop {
public:
    using TFdHandler = std::function<void(unsigned events)>;
    using TTimerId = std::uint64_t;

    virtual ~TEventLoop() = default;

    // Watches fd for the events given (IoRead | IoWrite); replaces an earlier watch of fd.
    virtual void WatchFd(int fd, unsigned events, TFdHandler handler) = 0;
    // Changes what a watched fd is watched for; 0 keeps the watch but reports nothing.
    virtual void SetFdEvents(int fd, unsigned events) = 0;
    // Forgets fd before it is closed.
    virtual void UnwatchFd(int fd) = 0;

    // A repeating timer; the first tick comes intervalMs after the start.
    virtual TTimerId StartTimer(int intervalMs, std::function<void()> tick) = 0;
    virtual void StopTimer(TTimerId id) = 0;

    // Runs call once from the loop, after the current handler has returned.
    virtual void Post(std::function<void()> call) = 0;
};

// The plain event loop: descriptors through the kernel's readiness queue (epoll on Linux), so
// a wake-up costs what is ready, not what is watched.
class TPollLoop final : public TEventLoop {
public:
    TPollLoop();
    ~TPollLoop() override;
    TPollLoop(const TPollLoop&) = delete;
    TPollLoop& operator=(const TPollLoop&) = delete;

    void WatchFd(int fd, unsigned events, TFdHandler handler) override;
    void SetFdEvents(int fd, unsigned events) override;
    void UnwatchFd(int fd) override;
    TTimerId StartTimer(int intervalMs, std::function<void()> tick) override;
    void StopTimer(TTimerId id) override;
    void Post(std::function<void()> call) override;

    // Runs until Quit.
    void Run();
    void Quit() { Quit_ = true; }
    // One round: waits at most timeoutMs (-1: until something happens) and handles what came.
    void RunOnce(int timeoutMs);
    // Runs until done() is true or timeoutMs have passed; true when done() became true.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs);

    std::size_t WatchedFds() const { return Fds_.size(); }

private:
    using TClock = std::chrono::steady_clock;
    struct TWatch {
        unsigned Events = 0;
        bool Registered = false;  // in the kernel's queue (not while watched for nothing)
        std::uint64_t Serial = 0; // a closed fd's number comes back for another socket
        std::shared_ptr<TFdHandler> Handler;
    };
    struct TTimer {
        std::chrono::milliseconds Interval;
        TClock::time_point Next;
        std::shared_ptr<std::function<void()>> Tick;
    };
    int MsUntilNextTimer(int limitMs) const;
    void RunDueTimers();
    void RunPosted();
    void Register(int fd, TWatch& w, unsigned events);

    int Queue_ = -1;
    std::map<int, TWatch> Fds_;
    std::map<TTimerId, TTimer> Timers_;
    std::vector<std::function<void()>> Posted_;
    std::uint64_t NextSerial_ = 1;
    TTimerId NextTimer_ = 1;
    bool Quit_ = false;
};

} // namespace keltrix::platform
