#pragma once
// The process entry without a window: the long options and commands, the switches that act
// before any window, the single-instance rule, console mode and the headless server. Plain
// C++, shared by both executables; only the window itself is left to startWindow.

#include <functional>
#include <string>
#include <vector>

namespace keltrix {

// Opens the window and runs its message loop, or runs the headless server (the programs that
// hold them), or hands the process to the program that holds it (the front); returns the
// exit status.
using TPartStarter = std::function<int(char* argv0, const std::vector<std::string>& args)>;

struct TEntryParts {
    TPartStarter Window;
    TPartStarter Headless;
};

int KeltrixEntry(int argc, char** argv, const TEntryParts& parts);

// For a program's outermost catch: says on stderr what reached it; returns the exit status.
int SayWhyItStops(const char* program);

// What the entry had to say that the window shows once it exists (a reset that failed).
std::vector<std::string>& EntryNotes();

// Why this instance runs without the single-instance lock (no private folder or lock file
// for it); empty when it holds the lock or needs none.
std::string& UnguardedReason();

} // namespace keltrix
