#include "platform/event_loop.h"

#include <algorithm>
#include <cerrno>
#include <sys/epoll.h>
#include <unistd.h>

namespace keltrix::platform {
namespace {

std::uint64_t Tag(int fd, std::uint64_t serial) {
    return (serial << 32) | static_cast<std::uint32_t>(fd);
}

} // namespace

TPollLoop::TPollLoop() : Queue_(epoll_create1(EPOLL_CLOEXEC)) {}

TPollLoop::~TPollLoop() {
    if (Queue_ >= 0) close(Queue_);
}

void TPollLoop::Register(int fd, TWatch& w, unsigned events) {
    w.Events = events;
    if (events == 0) {
        // The kernel reports errors and hang-ups even for no events: take it out instead.
        if (w.Registered) epoll_ctl(Queue_, EPOLL_CTL_DEL, fd, nullptr);
        w.Registered = false;
        return;
    }
    epoll_event e{};
    e.events = ((events & IoRead) ? EPOLLIN : 0u) | ((events & IoWrite) ? EPOLLOUT : 0u);
    e.data.u64 = Tag(fd, w.Serial);
    if (epoll_ctl(Queue_, w.Registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &e) != 0 &&
        errno == EEXIST)
        epoll_ctl(Queue_, EPOLL_CTL_MOD, fd, &e);
    w.Registered = true;
}

void TPollLoop::WatchFd(int fd, unsigned events, TFdHandler handler) {
    TWatch& w = Fds_[fd];
    w.Serial = NextSerial_++ & 0xFFFFFFFFu;
    w.Handler = std::make_shared<TFdHandler>(std::move(handler));
    Register(fd, w, events);
}

void TPollLoop::SetFdEvents(int fd, unsigned events) {
    if (auto it = Fds_.find(fd); it != Fds_.end() && it->second.Events != events)
        Register(fd, it->second, events);
}

void TPollLoop::UnwatchFd(int fd) {
    const auto it = Fds_.find(fd);
    if (it == Fds_.end()) return;
    if (it->second.Registered) epoll_ctl(Queue_, EPOLL_CTL_DEL, fd, nullptr);
    Fds_.erase(it);
}

TEventLoop::TTimerId TPollLoop::StartTimer(int intervalMs, std::function<void()> tick) {
    const auto interval = std::chrono::milliseconds(std::max(intervalMs, 1));
    const TTimerId id = NextTimer_++;
    Timers_[id] = TTimer{interval, TClock::now() + interval,
                         std::make_shared<std::function<void()>>(std::move(tick))};
    return id;
}

void TPollLoop::StopTimer(TTimerId id) {
    Timers_.erase(id);
}

void TPollLoop::Post(std::function<void()> call) {
    Posted_.push_back(std::move(call));
}

int TPollLoop::MsUntilNextTimer(int limitMs) const {
    if (!Posted_.empty()) return 0;
    int wait = limitMs;
    const auto now = TClock::now();
    for (const auto& [id, t] : Timers_) {
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(t.Next - now).count();
        const int due = static_cast<int>(std::clamp<long long>(ms, 0, 1 << 30));
        if (wait < 0 || due < wait) wait = due;
    }
    return wait;
}

void TPollLoop::RunDueTimers() {
    const auto now = TClock::now();
    std::vector<std::pair<TTimerId, std::shared_ptr<std::function<void()>>>> due;
    for (auto& [id, t] : Timers_) {
        if (t.Next > now) continue;
        // A loop that fell behind ticks once, not once per missed interval.
        t.Next += t.Interval;
        if (t.Next <= now) t.Next = now + t.Interval;
        due.emplace_back(id, t.Tick);
    }
    for (auto& [id, tick] : due)
        if (Timers_.count(id)) (*tick)();
}

void TPollLoop::RunPosted() {
    // Calls posted by these calls wait for the next round.
    std::vector<std::function<void()>> calls;
    calls.swap(Posted_);
    for (auto& call : calls) call();
}

void TPollLoop::RunOnce(int timeoutMs) {
    RunPosted();
    epoll_event ready[256];
    const int n = epoll_wait(Queue_, ready, 256, MsUntilNextTimer(timeoutMs));
    for (int i = 0; i < n; ++i) {
        const int fd = static_cast<int>(ready[i].data.u64 & 0xFFFFFFFFu);
        const auto it = Fds_.find(fd);
        // Unwatched, or closed and watched anew by an earlier handler of this round.
        if (it == Fds_.end() || Tag(fd, it->second.Serial) != ready[i].data.u64) continue;
        const std::uint32_t r = ready[i].events;
        const bool trouble = (r & (EPOLLERR | EPOLLHUP)) != 0;
        unsigned events = 0;
        if ((r & EPOLLIN) || trouble) events |= IoRead;
        if ((r & EPOLLOUT) || trouble) events |= IoWrite;
        events &= it->second.Events;
        if (events == 0) continue;
        const auto handler = it->second.Handler; // survives an unwatch from inside
        (*handler)(events);
    }
    RunDueTimers();
    RunPosted();
}

void TPollLoop::Run() {
    Quit_ = false;
    while (!Quit_) RunOnce(-1);
}

bool TPollLoop::RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto end = TClock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - TClock::now()).count();
        if (left <= 0) return done();
        RunOnce(static_cast<int>(std::min<long long>(left, 50)));
    }
    return true;
}

} // namespace keltrix::platform
