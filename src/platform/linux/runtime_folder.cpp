// The folder that holds the single-instance lock and the wake-up socket. Whoever can write
// into it can hold the lock or answer in our place, so it must be this user's alone.
#include "platform/paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace keltrix::platform {
namespace {

std::string UserName(uid_t uid) {
    if (const passwd* pw = getpwuid(uid); pw && pw->pw_name) return pw->pw_name;
    return "with id " + std::to_string(static_cast<unsigned>(uid));
}

std::string Reason(int error) {
    return std::strerror(error);
}

// Empty when path is a folder (not a link) of uid that no one else may enter. One that others
// could enter may hold what they put there.
std::string PrivateFolderProblem(const std::string& path, unsigned uid) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return path + " cannot be used: " + Reason(errno);
    if (!S_ISDIR(st.st_mode)) return path + " is not a folder";
    if (st.st_uid != uid)
        return path + " belongs to the user " + UserName(st.st_uid) + ", not to " +
               UserName(static_cast<uid_t>(uid));
    if ((st.st_mode & 077) != 0) return path + " is open to other users";
    return {};
}

// Makes the folder unless it is there; the reason when neither.
std::string MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return {};
    return path + " cannot be created: " + Reason(errno);
}

TRuntimeFolder FromXdg(const std::string& base, unsigned uid) {
    struct stat st {};
    if (stat(base.c_str(), &st) != 0)
        return {{}, "XDG_RUNTIME_DIR is " + base + ", which cannot be used: " + Reason(errno)};
    if (!S_ISDIR(st.st_mode)) return {{}, "XDG_RUNTIME_DIR is " + base + ", which is not a folder"};
    // After su the variable still names the first user's folder.
    if (st.st_uid != uid)
        return {{},
                "XDG_RUNTIME_DIR is " + base + ", which belongs to the user " +
                    UserName(st.st_uid) + ", not to " + UserName(static_cast<uid_t>(uid))};
    const std::string dir = base + "/keltrix";
    if (std::string problem = MakeFolder(dir); !problem.empty()) return {{}, problem};
    if (std::string problem = PrivateFolderProblem(dir, uid); !problem.empty())
        return {{}, problem};
    return {dir, {}};
}

// The private folders made earlier when the usual one was taken, in name order.
std::vector<std::string> EarlierPrivateFolders(const std::string& tmp, const std::string& prefix) {
    std::vector<std::string> names;
    DIR* dir = opendir(tmp.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() == prefix.size() + 6 && name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

TRuntimeFolder FromTmp(const std::string& tmp, unsigned uid) {
    const std::string usual = tmp + "/keltrix-" + std::to_string(uid);
    std::string problem = MakeFolder(usual);
    if (problem.empty()) problem = PrivateFolderProblem(usual, uid);
    if (problem.empty()) return {usual, {}};
    // Another user made it first: the lock goes where no one else can reach it.
    const std::string prefix = "keltrix-" + std::to_string(uid) + "-";
    for (const std::string& name : EarlierPrivateFolders(tmp, prefix))
        if (const std::string path = tmp + "/" + name; PrivateFolderProblem(path, uid).empty())
            return {path, {}};
    std::string pattern = tmp + "/" + prefix + "XXXXXX";
    if (mkdtemp(pattern.data())) return {pattern, {}};
    return {{}, problem + ", and no private folder can be made in " + tmp + ": " + Reason(errno)};
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

} // namespace

TRuntimeFolder FindRuntimeFolder(const std::string& xdgRuntimeDir, const std::string& tmp,
                                 unsigned uid) {
    // Relative XDG paths are invalid and must be ignored.
    if (!xdgRuntimeDir.empty() && xdgRuntimeDir[0] == '/') return FromXdg(xdgRuntimeDir, uid);
    return FromTmp(tmp, uid);
}

const TRuntimeFolder& RuntimeFolder() {
    static const TRuntimeFolder folder =
        FindRuntimeFolder(Env("XDG_RUNTIME_DIR"), "/tmp", static_cast<unsigned>(geteuid()));
    return folder;
}

std::string RuntimeDir() {
    return RuntimeFolder().Path;
}

} // namespace keltrix::platform
