#include "published_area.h"

#include "area_image.h"
#include "measure/mbm_shared.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keltrix::sensord {
namespace {

std::string ShmPath(const std::string& name) {
    return "/dev/shm/" + name; // where glibc keeps shm_open's objects
}

} // namespace

std::int32_t PublisherOf(const std::string& name) {
    const int fd = shm_open(("/" + name).c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return 0;
    std::uint8_t bytes[4] = {};
    const ssize_t n = pread(fd, bytes, sizeof bytes, mbm::InfoOffset + PidField);
    close(fd);
    if (n != sizeof bytes) return 0;
    return static_cast<std::int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                     static_cast<std::uint32_t>(bytes[3]) << 24);
}

bool PublisherAlive(std::int32_t pid) {
    if (pid <= 0 || (kill(pid, 0) != 0 && errno != EPERM)) return false;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    // A process id taken over by another program is not a publisher.
    return !comm || name == "sensord";
}

TCreate TPublishedArea::Create(std::size_t size, std::string& error) {
    const std::string path = "/" + Name_;
    int fd = -1;
    for (int attempt = 0; attempt < 2 && fd < 0; ++attempt) {
        fd = shm_open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) break;
        const std::int32_t owner = PublisherOf(Name_);
        if (owner != getpid() && PublisherAlive(owner)) {
            error = "the area " + path + " is published by process " + std::to_string(owner);
            return TCreate::AlreadyPublished;
        }
        shm_unlink(path.c_str()); // left by a publisher that died
    }
    if (fd < 0) {
        error = "cannot create shared memory " + path + ": " + std::strerror(errno);
        return TCreate::Failed;
    }
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
        error = "cannot size shared memory " + path + ": " + std::strerror(errno);
        close(fd);
        shm_unlink(path.c_str());
        return TCreate::Failed;
    }
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (data == MAP_FAILED) {
        error = "cannot map shared memory " + path + ": " + std::strerror(errno);
        shm_unlink(path.c_str());
        return TCreate::Failed;
    }
    Data_ = static_cast<std::uint8_t*>(data);
    Size_ = size;
    // Opens from here on are other processes': our own descriptor is closed.
    Watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (Watch_ >= 0 && inotify_add_watch(Watch_, ShmPath(Name_).c_str(), IN_OPEN) < 0) {
        close(Watch_);
        Watch_ = -1;
    }
    return TCreate::Created;
}

void TPublishedArea::Write(const std::vector<std::uint8_t>& image) {
    if (!Data_) return;
    const std::size_t words = std::min(image.size(), Size_) / 8;
    auto* target = reinterpret_cast<std::uint64_t*>(Data_);
    for (std::size_t i = words; i-- > 0;) {
        std::uint64_t word = 0;
        std::memcpy(&word, image.data() + 8 * i, 8);
        std::atomic_ref<std::uint64_t>(target[i]).store(word, std::memory_order_release);
    }
}

void TPublishedArea::Remove() {
    if (Watch_ >= 0) close(Watch_);
    Watch_ = -1;
    if (!Data_) return;
    munmap(Data_, Size_);
    Data_ = nullptr;
    // Only our own area: a successor may have replaced it meanwhile.
    if (PublisherOf(Name_) == getpid()) shm_unlink(("/" + Name_).c_str());
}

bool TPublishedArea::ReaderSince() {
    if (Watch_ < 0) return false;
    alignas(inotify_event) char buffer[4096];
    bool seen = false;
    while (read(Watch_, buffer, sizeof buffer) > 0) seen = true;
    return seen;
}

bool OtherProcessHolds(const std::string& name, int except) {
    const std::string target = ShmPath(name);
    // The same path in another mount namespace (a container, a test) is another area: only
    // descriptors of this very file count.
    struct stat area {};
    if (stat(target.c_str(), &area) != 0) return false;
    DIR* proc = opendir("/proc");
    if (!proc) return true;
    bool held = false;
    const std::string self = std::to_string(except);
    while (const dirent* process = readdir(proc)) {
        if (held) break;
        if (process->d_name[0] < '0' || process->d_name[0] > '9' || self == process->d_name)
            continue;
        const std::string fdDir = std::string("/proc/") + process->d_name + "/fd";
        DIR* fds = opendir(fdDir.c_str());
        if (!fds) continue;
        while (const dirent* fd = readdir(fds)) {
            char link[4096];
            const std::string entry = fdDir + "/" + fd->d_name;
            const ssize_t n = readlink(entry.c_str(), link, sizeof link - 1);
            struct stat open {};
            if (n > 0 &&
                target.compare(0, std::string::npos, link, static_cast<std::size_t>(n)) == 0 &&
                stat(entry.c_str(), &open) == 0 && open.st_dev == area.st_dev &&
                open.st_ino == area.st_ino) {
                held = true;
                break;
            }
        }
        closedir(fds);
    }
    closedir(proc);
    return held;
}

} // namespace keltrix::sensord
