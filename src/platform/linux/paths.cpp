#include "platform/paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace keltrix::platform {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string();
}

std::string Home() {
    std::string home = Env("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    return home.empty() ? std::string("/tmp") : home;
}

std::string XdgDir(const char* var, const char* fallback) {
    std::string base = Env(var);
    // Relative XDG paths are invalid and must be ignored.
    if (base.empty() || base[0] != '/') base = Home() + fallback;
    return base + "/keltrix";
}

} // namespace

bool MakeDirs(const std::string& path, unsigned mode) {
    if (path.empty()) return false;
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty()) continue;
        if (mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ConfigDir() {
    return XdgDir("XDG_CONFIG_HOME", "/.config");
}

std::string DataDir() {
    std::string dir = XdgDir("XDG_DATA_HOME", "/.local/share");
    MakeDirs(dir);
    return dir;
}

std::string RuntimeDir() {
    std::string base = Env("XDG_RUNTIME_DIR");
    std::string dir = !base.empty() && base[0] == '/'
                          ? base + "/keltrix"
                          : "/tmp/keltrix-" + std::to_string(static_cast<unsigned>(getuid()));
    MakeDirs(dir, 0700);
    return dir;
}

std::string TempDir() {
    std::string dir = Env("TMPDIR");
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir.empty() ? std::string("/tmp") : dir;
}

std::string ProgramDir() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string exe(buf, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string WritableProgramDir() {
    const std::string dir = ProgramDir();
    return access(dir.c_str(), W_OK) == 0 ? dir : DataDir();
}

std::string SharedDataDir() {
    const std::string dir = ProgramDir() + "/../share/keltrix";
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    char resolved[PATH_MAX];
    return realpath(dir.c_str(), resolved) ? std::string(resolved) : dir;
}

std::string SettingsFile() {
    return ConfigDir() + "/registry.reg";
}

} // namespace keltrix::platform
