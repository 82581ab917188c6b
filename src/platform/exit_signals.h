#pragma once

namespace keltrix::platform {

// SIGTERM, SIGINT and SIGHUP make the returned descriptor readable, so the UI loop can run
// the orderly exit instead of dying inside a signal handler. -1 on failure.
int WatchExitSignals();
// True when a signal has come and is not yet taken: nothing more is to be shown.
bool ExitSignalPending(int fd);
// Drains the descriptor; returns the last signal number received (0 when none).
int TakeExitSignal(int fd);

} // namespace keltrix::platform
