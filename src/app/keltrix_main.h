#pragma once

namespace keltrix {
// The process entry: switches that act before any window, the single-instance rule, then
// the main window and the message loop.
int KeltrixMain(int argc, char** argv);
} // namespace keltrix
