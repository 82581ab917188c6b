#include "platform/shell.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace keltrix::platform {
namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// A program to start: an executable file, or a bare name that the search path finds.
bool IsProgram(const std::string& file) {
    if (file.find('/') != std::string::npos) return IsExecutableFile(file);
    const char* path = std::getenv("PATH");
    std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        if (IsExecutableFile(folder + "/" + file)) return true;
        start = end + 1;
    }
    return false;
}

// An address with a scheme (https:, mailto:, file:); a drive letter ("C:") is not one.
bool IsAddress(const std::string& file) {
    const std::size_t colon = file.find(':');
    if (colon == std::string::npos || colon < 2 ||
        !std::isalpha(static_cast<unsigned char>(file[0])))
        return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(file[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

// Double fork so the started program is never our zombie; the grandchild reports a failed
// exec through a close-on-exec pipe.
bool SpawnDetached(const std::vector<std::string>& argv, const std::string& directory,
                   std::string* error) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    const pid_t child = fork();
    if (child < 0) {
        if (error) *error = std::strerror(errno);
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        close(report[0]);
        setsid();
        if (fork() != 0) _exit(0);
        int err = 0;
        if (!directory.empty() && chdir(directory.c_str()) != 0) {
            err = errno;
        } else {
            execvp(args[0], args.data());
            err = errno;
        }
        [[maybe_unused]] ssize_t w = write(report[1], &err, sizeof err);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (n == static_cast<ssize_t>(sizeof err)) {
        if (error) *error = argv[0] + ": " + std::strerror(err);
        return false;
    }
    return true;
}

} // namespace

std::vector<std::string> SplitParameters(const std::string& parameters) {
    std::vector<std::string> out;
    std::string current;
    bool quoted = false, inArg = false;
    for (char c : parameters) {
        if (c == '"') {
            quoted = !quoted;
            inArg = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArg) out.push_back(current);
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg) out.push_back(current);
    return out;
}

bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory,
               std::string* error) {
    std::vector<std::string> argv;
    if (IsProgram(file)) {
        argv = {file};
        for (std::string& p : SplitParameters(parameters)) argv.push_back(std::move(p));
    } else if (Exists(file) || IsAddress(file)) {
        // The desktop's opener takes the document alone: parameters have nowhere to go.
        const char* opener = std::getenv("KELTRIX_SHELL_OPEN");
        argv = {opener && *opener ? opener : "xdg-open", file};
    } else {
        // Named as the user wrote it, not after the opener that would have been asked.
        if (error) *error = file + ": " + std::strerror(ENOENT);
        return false;
    }
    return SpawnDetached(argv, directory, error);
}

} // namespace keltrix::platform
