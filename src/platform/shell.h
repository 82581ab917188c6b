#pragma once
// Starting other programs and opening documents, folders and addresses.

#include <string>
#include <vector>

namespace keltrix::platform {

// The "open" verb: a program (an executable file, or a name the search path finds) is started
// directly with its parameters in the given folder; an existing document or folder, or an
// address, goes alone to the desktop's opener (xdg-open takes one argument). The environment
// variable KELTRIX_SHELL_OPEN, when set, names the opener to use instead (tests use it). The
// program runs detached. False, with a reason naming what was missing, when nothing starts.
bool ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory,
               std::string* error = nullptr);

// Splits a parameter line into arguments: blanks separate, double quotes group.
std::vector<std::string> SplitParameters(const std::string& parameters);

} // namespace keltrix::platform
