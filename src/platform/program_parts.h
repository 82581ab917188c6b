#pragma once
// Keltrix is two executables. The one the user starts, `keltrix`, is plain C++: console mode,
// the headless server and every command run in it without a single Qt or X library. When a
// window is to open it replaces itself with the window program, which keeps the name
// `keltrix` (so the process list, pgrep and pkill see one program) and lives in
// build/libexec/keltrix, or <libexecdir>/keltrix/keltrix when installed; the headless server
// likewise in build/libexec/server/keltrix, or <libexecdir>/keltrix/server/keltrix.

#include <string>

namespace keltrix::platform {

enum class TProgramPart { Front, Window, Server };

// Each main says first which part it is; ProgramDir() is the front's folder for both.
void SetProgramPart(TProgramPart part);
TProgramPart ProgramPart();

// The window program, or the headless server (which links the web service and its TLS
// libraries, so that console runs need not load them), beside the front program in frontDir;
// empty when it is not there.
std::string PartProgram(TProgramPart part, const std::string& frontDir);
// The front's folder, seen from the folder of the window or server program.
std::string FrontDirOf(TProgramPart part, const std::string& partDir);

// Replaces this process with program, handing it argv and the environment. Returns only when
// that fails, with the reason.
std::string ReplaceProcess(const std::string& program, char** argv);

} // namespace keltrix::platform
