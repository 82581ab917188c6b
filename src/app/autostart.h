#pragma once
// Starting at login, the XDG way: a desktop entry in $XDG_CONFIG_HOME/autostart/.

#include <string>

namespace keltrix {

// $XDG_CONFIG_HOME/autostart/keltrix.desktop.
std::string AutostartFile();

// The entry that starts program at login.
std::string AutostartEntry(const std::string& program);

// A path as one argument of a desktop entry's Exec line, quoted where it needs it.
std::string DesktopExecArgument(const std::string& path);

// --autostart=on writes the entry for program, off removes it. Returns what was done, for the
// user; throws std::system_error when the file cannot be written or removed.
std::string SetAutostart(bool on, const std::string& program);

// --autostart for the program the user starts (ProgramDir()/keltrix): says what it did on
// stdout, or why it could not on stderr, and returns the exit status.
int RunAutostart(bool on, const std::string& name);

} // namespace keltrix
