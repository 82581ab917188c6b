#include "platform/exit_signals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <unistd.h>

namespace keltrix::platform {
namespace {
int WriteEnd = -1;

void OnSignal(int sig) {
    const int saved = errno;
    const unsigned char b = static_cast<unsigned char>(sig);
    [[maybe_unused]] ssize_t n = write(WriteEnd, &b, 1);
    errno = saved;
}
} // namespace

int WatchExitSignals() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    WriteEnd = fds[1];
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
    return fds[0];
}

bool ExitSignalPending(int fd) {
    if (fd < 0) return false;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

int TakeExitSignal(int fd) {
    unsigned char b = 0;
    int last = 0;
    while (read(fd, &b, 1) == 1) last = b;
    return last;
}

} // namespace keltrix::platform
