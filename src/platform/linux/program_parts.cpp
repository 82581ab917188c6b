#include "platform/program_parts.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// Set by the build from the installation's folders; these are the usual layout.
#ifndef KELTRIX_WINDOW_FROM_BIN
#define KELTRIX_WINDOW_FROM_BIN "../libexec/keltrix/keltrix"
#endif
#ifndef KELTRIX_BIN_FROM_WINDOW
#define KELTRIX_BIN_FROM_WINDOW "../../bin"
#endif
#ifndef KELTRIX_SERVER_FROM_BIN
#define KELTRIX_SERVER_FROM_BIN "../libexec/keltrix/server/keltrix"
#endif
#ifndef KELTRIX_BIN_FROM_SERVER
#define KELTRIX_BIN_FROM_SERVER "../../../bin"
#endif

namespace keltrix::platform {
namespace {

TProgramPart Part = TProgramPart::Front;

bool IsProgram(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string Resolved(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

} // namespace

void SetProgramPart(TProgramPart part) {
    Part = part;
}

TProgramPart ProgramPart() {
    return Part;
}

std::string PartProgram(TProgramPart part, const std::string& frontDir) {
    const bool server = part == TProgramPart::Server;
    // The build tree first: an installation has no libexec folder inside its bin folder.
    for (const char* beside : {server ? "libexec/server/keltrix" : "libexec/keltrix",
                               server ? KELTRIX_SERVER_FROM_BIN : KELTRIX_WINDOW_FROM_BIN}) {
        const std::string path = frontDir + "/" + beside;
        if (IsProgram(path)) return Resolved(path);
    }
    return {};
}

std::string FrontDirOf(TProgramPart part, const std::string& partDir) {
    const bool server = part == TProgramPart::Server;
    // The build tree's layout, then the installation's: the first folder with the front.
    for (const char* up :
         {server ? "../.." : "..", server ? KELTRIX_BIN_FROM_SERVER : KELTRIX_BIN_FROM_WINDOW}) {
        const std::string dir = partDir + "/" + up;
        if (IsProgram(dir + "/keltrix")) return Resolved(dir);
    }
    return partDir;
}

std::string ReplaceProcess(const std::string& program, char** argv) {
    ::execv(program.c_str(), argv);
    return std::strerror(errno);
}

} // namespace keltrix::platform
