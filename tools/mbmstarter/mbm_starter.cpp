// libMBMStarter.so: starts the sensor publisher that lies beside this library when no
// publisher runs, and answers once the shared-memory area exists. Exports, both without
// arguments: int Start() (1: the area exists; otherwise a code of sensord/exit_codes.h) and
// void Stop() (ends the publisher that Start started).
#include "area_image.h"
#include "exit_codes.h"
#include "measure/mbm_shared.h"
#include "published_area.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace keltrix;
using namespace std::chrono_literals;

constexpr auto StartTimeOut = 10s;
constexpr auto StopTimeOut = 3s;

std::string AreaPath() {
    return std::string("/").append(mbm::SharedMemoryName);
}

std::mutex Lock;
pid_t Child = 0;   // the publisher this library started
int HeldArea = -1; // keeps the area open: the publisher sees a reader for as long as we live

// The area is there, filled, and its publisher runs.
bool AreaLive() {
    const int fd = shm_open(AreaPath().c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return false;
    std::uint8_t version[8] = {};
    const bool read = pread(fd, version, sizeof version, mbm::VersionOffset) == 8;
    close(fd);
    bool filled = false;
    for (std::uint8_t b : version) filled = filled || b != 0;
    return read && filled && sensord::PublisherAlive(sensord::PublisherOf(mbm::SharedMemoryName));
}

void HoldArea() {
    if (HeldArea >= 0) close(HeldArea);
    HeldArea = shm_open(AreaPath().c_str(), O_RDONLY | O_CLOEXEC, 0);
}

// The folder of this library, where the publisher is installed beside it.
std::string PublisherPath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&AreaLive), &info) || !info.dli_fname) return {};
    std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    path = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    return path + "/sensord";
}

// Reaps the child if it has ended; its exit status, or -1 while it runs.
int Reap(pid_t pid, int options) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, options);
    if (r == 0) return -1;
    if (r < 0) return errno == ECHILD ? sensord::StartFailed : -1; // reaped elsewhere
    return WIFEXITED(status) ? WEXITSTATUS(status) : sensord::StartFailed;
}

pid_t Spawn(const std::string& path) {
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_init(&actions);
    // The host may block or catch signals; the publisher must get SIGTERM as it is.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    // Its own process group: a Ctrl+C meant for the host reaches it only through Stop.
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                        POSIX_SPAWN_SETPGROUP);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    char* argv[] = {const_cast<char*>("sensord"), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : 0;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int Start() {
    std::lock_guard<std::mutex> guard(Lock);
    if (AreaLive()) {
        HoldArea();
        return sensord::StartRunning;
    }
    if (Child > 0 && Reap(Child, WNOHANG) >= 0) Child = 0; // the old one has ended
    if (Child <= 0) {
        const std::string path = PublisherPath();
        if (path.empty() || access(path.c_str(), X_OK) != 0) return sensord::StartNoPublisher;
        Child = Spawn(path);
        if (Child <= 0) return sensord::StartFailed;
    }
    const auto deadline = std::chrono::steady_clock::now() + StartTimeOut;
    bool lostRace = false; // another publisher took the area first
    while (std::chrono::steady_clock::now() < deadline) {
        if (AreaLive()) {
            HoldArea();
            return sensord::StartRunning;
        }
        if (!lostRace) {
            const int status = Reap(Child, WNOHANG);
            if (status >= 0) {
                Child = 0;
                if (status != sensord::ExitAlreadyRunning)
                    return status == sensord::ExitNoSensors || status == sensord::ExitNoLibrary ||
                                   status == sensord::ExitNoArea
                               ? status
                               : sensord::StartFailed;
                lostRace = true;
            }
        }
        std::this_thread::sleep_for(20ms);
    }
    if (Child > 0) {
        kill(Child, SIGKILL);
        Reap(Child, 0);
        Child = 0;
    }
    return sensord::StartTimedOut;
}

extern "C" __attribute__((visibility("default"))) void Stop() {
    std::lock_guard<std::mutex> guard(Lock);
    if (HeldArea >= 0) close(HeldArea);
    HeldArea = -1;
    if (Child <= 0) return;
    // Another program (a second instance, a console status line) still reads: the publisher
    // stays and ends by itself once nobody does.
    if (sensord::OtherProcessHolds(mbm::SharedMemoryName, getpid())) {
        Child = 0;
        return;
    }
    kill(Child, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + StopTimeOut;
    bool ended = false;
    while (!(ended = Reap(Child, WNOHANG) >= 0) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    if (!ended) {
        kill(Child, SIGKILL);
        Reap(Child, 0);
    }
    Child = 0;
}
