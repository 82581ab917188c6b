#include "platform/event_loop.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace keltrix::platform {

TPollLoop::TPollLoop() = default;
TPollLoop::~TPollLoop() = default;

void TPollLoop::WatchFd(int fd, unsigned events, TFdHandler handler) {
    TWatch& w = Fds_[fd];
    w.Events = events;
    w.Serial = NextSerial_++;
    w.Handler = std::make_shared<TFdHandler>(std::move(handler));
}

void TPollLoop::SetFdEvents(int fd, unsigned events) {
    if (auto it = Fds_.find(fd); it != Fds_.end()) it->second.Events = events;
}

void TPollLoop::UnwatchFd(int fd) {
    Fds_.erase(fd);
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
    std::vector<pollfd> fds;
    std::vector<std::uint64_t> serials;
    fds.reserve(Fds_.size());
    for (const auto& [fd, w] : Fds_) {
        if (w.Events == 0) continue;
        short events = 0;
        if (w.Events & IoRead) events |= POLLIN;
        if (w.Events & IoWrite) events |= POLLOUT;
        fds.push_back(pollfd{fd, events, 0});
        serials.push_back(w.Serial);
    }
    const int n = poll(fds.data(), fds.size(), MsUntilNextTimer(timeoutMs));
    if (n < 0 && errno != EINTR) return;
    for (std::size_t i = 0; n > 0 && i < fds.size(); ++i) {
        const short r = fds[i].revents;
        if (r == 0) continue;
        const auto it = Fds_.find(fds[i].fd);
        // Unwatched, or closed and reused by an earlier handler of this round.
        if (it == Fds_.end() || it->second.Serial != serials[i]) continue;
        const bool trouble = (r & (POLLERR | POLLHUP | POLLNVAL)) != 0;
        unsigned events = 0;
        if ((r & POLLIN) || trouble) events |= IoRead;
        if ((r & POLLOUT) || trouble) events |= IoWrite;
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
