#pragma once
// Where the program keeps and finds its files (XDG conventions).

#include <string>

namespace keltrix::platform {

std::string ConfigDir();  // $XDG_CONFIG_HOME/keltrix, else ~/.config/keltrix
std::string DataDir();    // $XDG_DATA_HOME/keltrix, else ~/.local/share/keltrix (created)
std::string RuntimeDir(); // $XDG_RUNTIME_DIR/keltrix, else /tmp/keltrix-<uid> (created, 0700)
std::string TempDir();    // $TMPDIR, else /tmp
std::string ProgramDir(); // folder of the running executable
// Where files "beside the program" are written: ProgramDir(), or DataDir() for an installed
// program whose folder is not writable.
std::string WritableProgramDir();
// What an installed program ships beside itself: <prefix>/share/keltrix when the executable
// is <prefix>/bin/keltrix and that folder exists; empty for a program run from its build tree.
std::string SharedDataDir();
std::string SettingsFile(); // ConfigDir()/registry.reg

// Creates the folder and its parents; false when it cannot.
bool MakeDirs(const std::string& path, unsigned mode = 0755);

} // namespace keltrix::platform
