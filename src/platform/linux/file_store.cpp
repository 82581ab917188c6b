#include "platform/file_store.h"
#include "platform/paths.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace keltrix::platform {

namespace {

[[noreturn]] void Fail(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

TFileStamp StampOf(const struct stat& st) {
    TFileStamp stamp;
    stamp.Exists = true;
    stamp.Device = static_cast<std::uint64_t>(st.st_dev);
    stamp.Inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.Size = static_cast<std::int64_t>(st.st_size);
    stamp.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                       static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    stamp.ChangedNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 +
                      static_cast<std::int64_t>(st.st_ctim.tv_nsec);
    return stamp;
}

std::string ParentDir(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void MakeFolders(const std::string& dir, unsigned mode) {
    errno = 0;
    if (!MakeDirs(dir, mode)) Fail(errno != 0 ? errno : ENOTDIR, "cannot create folder " + dir);
}

// A settings file kept as a symbolic link (dotfiles) stays a link: the file it names is replaced.
std::string ResolveLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return path;
    return resolved;
}

void WriteAll(int fd, std::string_view data, const std::string& name) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno, "cannot write " + name);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

void LockExclusive(int fd, const std::string& name) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) Fail(errno, "cannot lock " + name);
    }
}

void SyncFolder(const std::string& dir) {
    // Best effort: the rename has happened; a folder that cannot be synced changes nothing.
    TFileHandle fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) ::fsync(fd.Get());
}

TFileHandle CreateTemp(const std::string& name, unsigned mode) {
    return TFileHandle(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                              static_cast<mode_t>(mode)));
}

// Fills the temporary file, puts it in place of target and returns the new version's stamp.
// The temporary file goes on any failure.
TFileStamp WriteAndRename(const TFileHandle& temp, const std::string& tempName,
                          std::string_view content, const struct stat* modeOf,
                          const std::string& target, const std::string& dir) {
    try {
        if (modeOf) ::fchmod(temp.Get(), modeOf->st_mode & 07777);
        WriteAll(temp.Get(), content, tempName);
        if (::fsync(temp.Get()) != 0) Fail(errno, "cannot write " + tempName);
        if (::rename(tempName.c_str(), target.c_str()) != 0)
            Fail(errno, "cannot replace " + target);
    } catch (...) {
        ::unlink(tempName.c_str());
        throw;
    }
    SyncFolder(dir);
    struct stat st {};
    // After the rename, so that the stamp carries the rename's change time.
    if (::fstat(temp.Get(), &st) != 0) return {};
    return StampOf(st);
}

} // namespace

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept {
    if (this != &other) {
        if (Fd_ >= 0) ::close(Fd_);
        Fd_ = other.Release();
    }
    return *this;
}

TFileHandle::~TFileHandle() {
    if (Fd_ >= 0) ::close(Fd_);
}

int TFileHandle::Release() noexcept {
    const int fd = Fd_;
    Fd_ = -1;
    return fd;
}

TFileStamp StatFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return StampOf(st);
}

TFileSnapshot ReadFileSnapshot(const std::string& path) {
    TFileSnapshot snapshot;
    snapshot.Pin = TFileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!snapshot.Pin) {
        if (errno == ENOENT || errno == ENOTDIR) return snapshot; // no such file
        Fail(errno, "cannot open " + path);
    }
    const int fd = snapshot.Pin.Get();
    struct stat st {};
    if (::fstat(fd, &st) != 0) Fail(errno, "cannot read " + path);
    if (S_ISDIR(st.st_mode)) Fail(EISDIR, "cannot read " + path);
    snapshot.Exists = true;
    snapshot.Stamp = StampOf(st);
    if (st.st_size > 0) snapshot.Text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(errno, "cannot read " + path);
        }
        if (n == 0) break;
        snapshot.Text.append(buffer, static_cast<std::size_t>(n));
    }
    return snapshot;
}

TFileSnapshot UpdateFileLocked(const std::string& path, const TFileTransform& transform,
                               unsigned folderMode) {
    const std::string target = ResolveLink(path);
    const std::string dir = ParentDir(target);
    MakeFolders(dir, folderMode);

    // The lock lives in its own file: the settings file itself is replaced by every write.
    const std::string lockName = target + ".lock";
    TFileHandle lock(::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock) Fail(errno, "cannot open " + lockName);
    LockExclusive(lock.Get(), lockName);

    // Holding the lock, nobody else is writing: a temporary file left now is from a writer that
    // died mid-write. One that cannot go shows up below when it is in the way.
    const std::string tempName = target + ".tmp";
    ::unlink(tempName.c_str());

    TFileSnapshot current = ReadFileSnapshot(target);
    std::optional<std::string> next = transform(current);
    if (!next) return current;

    TFileHandle temp = CreateTemp(tempName, 0600);
    if (!temp) Fail(errno, "cannot create " + tempName);
    const struct stat* modeOf = nullptr;
    struct stat currentStat {};
    if (current.Exists && ::fstat(current.Pin.Get(), &currentStat) == 0) modeOf = &currentStat;
    TFileSnapshot written;
    written.Exists = true;
    written.Stamp = WriteAndRename(temp, tempName, *next, modeOf, target, dir);
    written.Text = std::move(*next);
    written.Pin = std::move(temp);
    return written;
}

TFileStamp ReplaceFileAtomically(const std::string& path, std::string_view content) {
    const std::string target = ResolveLink(path);
    const std::string dir = ParentDir(target);
    const std::size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // Unique per process and call: two programs saving in one folder never share a name.
    static std::atomic<unsigned> counter{0};
    std::string tempName;
    TFileHandle temp;
    for (int attempt = 0; attempt < 100 && !temp; ++attempt) {
        tempName = (dir == "/" ? std::string() : dir) + "/." + base + ".tmp-" +
                   std::to_string(::getpid()) + "-" + std::to_string(counter++);
        temp = CreateTemp(tempName, 0666);
        if (!temp && errno != EEXIST) break;
    }
    if (!temp) Fail(errno, "cannot create " + tempName);
    struct stat currentStat {};
    const bool exists = ::stat(target.c_str(), &currentStat) == 0 && S_ISREG(currentStat.st_mode);
    return WriteAndRename(temp, tempName, content, exists ? &currentStat : nullptr, target, dir);
}

} // namespace keltrix::platform
