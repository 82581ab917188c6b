#pragma once
// The process entry without a window: the long options and commands, the switches that act
// before any window, the single-instance rule, console mode and the headless server. Plain
// C++, shared by both executables; only the window itself is left to startWindow.

#include <functional>
#include <string>
#include <vector>

namespace keltrix {

// Opens the window and runs its message loop (the window program), or hands the process to
// the window program (the front); returns the exit status.
using TWindowStarter = std::function<int(char* argv0, const std::vector<std::string>& args)>;

int KeltrixEntry(int argc, char** argv, const TWindowStarter& startWindow);

} // namespace keltrix
