#include "platform/dir_watch.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace keltrix::platform {
namespace {

// Writes and the renames of editors and atomic savers; removal, so a vanished file is seen.
constexpr std::uint32_t kEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE |
                                  IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

class TInotifyWatch : public TDirectoryWatch {
public:
    TInotifyWatch(int inotifyFd, int wakeFd) : Inotify_(inotifyFd), Wake_(wakeFd) {}
    ~TInotifyWatch() override {
        ::close(Inotify_);
        ::close(Wake_);
    }

    TWaitResult Wait(std::chrono::milliseconds timeout) override {
        pollfd fds[2] = {{Wake_, POLLIN, 0}, {Inotify_, POLLIN, 0}};
        int n;
        do {
            n = ::poll(fds, 2, static_cast<int>(timeout.count()));
        } while (n < 0 && errno == EINTR);
        if (n <= 0) return TWaitResult::TimedOut;
        if (fds[0].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t r = ::read(Wake_, &count, sizeof count);
            return TWaitResult::Interrupted;
        }
        return TWaitResult::Changed;
    }

    void Rearm() override {
        alignas(inotify_event) char buffer[4096];
        while (::read(Inotify_, buffer, sizeof buffer) > 0) {
        }
    }

    void Interrupt() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t r = ::write(Wake_, &one, sizeof one);
    }

private:
    int Inotify_;
    int Wake_;
};

} // namespace

std::unique_ptr<TDirectoryWatch> TDirectoryWatch::Open(const std::string& folder,
                                                       std::string& error) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot watch ") + folder + ": " + std::strerror(errno);
        return nullptr;
    }
    if (::inotify_add_watch(fd, folder.c_str(), kEvents) < 0) {
        error = "cannot watch " + folder + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    const int wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake < 0) {
        error = "cannot watch " + folder + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<TInotifyWatch>(fd, wake);
}

} // namespace keltrix::platform
