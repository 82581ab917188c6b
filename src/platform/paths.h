#pragma once
// Where the program keeps and finds its files (XDG conventions).

#include <string>

namespace keltrix::platform {

std::string ConfigDir(); // $XDG_CONFIG_HOME/keltrix, else ~/.config/keltrix
std::string DataDir();   // $XDG_DATA_HOME/keltrix, else ~/.local/share/keltrix (created)
// The folder of the named mutex and event: one that only this user can use. Path is empty
// and Problem says why when there is none.
struct TRuntimeFolder {
    std::string Path;
    std::string Problem;
};
// $XDG_RUNTIME_DIR/keltrix (created, 0700), which must belong to this user. Without
// XDG_RUNTIME_DIR: /tmp/keltrix-<uid> when it is a folder of this user closed to others, else a
// private folder /tmp/keltrix-<uid>-XXXXXX (found again by later starts, or made). Resolved
// once per process.
const TRuntimeFolder& RuntimeFolder();
// The choice itself, for the value of XDG_RUNTIME_DIR (empty: unset), the shared temporary
// folder and the user; creates what it chooses.
TRuntimeFolder FindRuntimeFolder(const std::string& xdgRuntimeDir, const std::string& tmp,
                                 unsigned uid);
std::string RuntimeDir(); // RuntimeFolder().Path
std::string TempDir();    // $TMPDIR, else /tmp
std::string ProgramDir(); // folder of the running executable
// Where files "beside the program" are written: DataDir() for an installed program (also
// when run as root, so nothing is ever created in its bin folder), else ProgramDir() when it
// is writable (a build tree), else DataDir().
std::string WritableProgramDir();
// Where what ships "beside the program" is found: <prefix>/share/keltrix for an installed
// program, else ProgramDir().
std::string ShippedDir();
// True when the program runs from an installation: <prefix>/share/keltrix lies beside its
// folder, as the installation puts it.
bool InstalledProgram();
std::string SettingsFile(); // ConfigDir()/registry.reg

// Creates the folder and its parents; false when it cannot.
bool MakeDirs(const std::string& path, unsigned mode = 0755);

// $XDG_CONFIG_HOME, else ~/.config: the user's configuration folder itself (autostart/ is
// there).
std::string ConfigHome();

} // namespace keltrix::platform
