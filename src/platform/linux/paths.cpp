#include "platform/paths.h"
#include "platform/program_parts.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Set by the build from the installation's folders; this is the usual layout.
#ifndef KELTRIX_SHIPPED_FROM_BIN
#define KELTRIX_SHIPPED_FROM_BIN "../share/keltrix"
#endif

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

std::string XdgBase(const char* var, const char* fallback) {
    std::string base = Env(var);
    // Relative XDG paths are invalid and must be ignored.
    if (base.empty() || base[0] != '/') base = Home() + fallback;
    return base;
}

std::string XdgDir(const char* var, const char* fallback) {
    return XdgBase(var, fallback) + "/keltrix";
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
    const std::string dir = slash == 0 ? "/" : exe.substr(0, slash);
    // The window and server programs live apart; what is beside the program is beside the
    // front.
    return ProgramPart() == TProgramPart::Front ? dir : FrontDirOf(ProgramPart(), dir);
}

std::string ShippedDir() {
    static const std::string dir = [] {
        // The installation's own relative layout, from its bin folder to its data folder.
        const std::string beside = ProgramDir() + "/" KELTRIX_SHIPPED_FROM_BIN;
        char resolved[PATH_MAX];
        struct stat st {};
        if (stat(beside.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
            realpath(beside.c_str(), resolved))
            return std::string(resolved);
        return ProgramDir();
    }();
    return dir;
}

bool InstalledProgram() {
    return ShippedDir() != ProgramDir();
}

std::string WritableProgramDir() {
    const std::string dir = ProgramDir();
    if (InstalledProgram()) return DataDir();
    return access(dir.c_str(), W_OK) == 0 ? dir : DataDir();
}

std::string ConfigHome() {
    return XdgBase("XDG_CONFIG_HOME", "/.config");
}

std::string SettingsFile() {
    return ConfigDir() + "/registry.reg";
}

} // namespace keltrix::platform
