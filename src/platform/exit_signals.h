#pragma once

namespace keltrix::platform {

// SIGTERM, SIGINT and SIGHUP make the returned descriptor readable, so the UI loop can run
// the orderly exit instead of dying inside a signal handler. -1 on failure.
int WatchExitSignals();
// Drains the descriptor; returns the last signal number received (0 when none).
int TakeExitSignal(int fd);

} // namespace keltrix::platform
