#pragma once
// Console mode in client mode: a server's records shown with this machine's format string on
// a terminal, so a server can be watched over SSH without a desktop.

namespace keltrix {

class TMonitorCore;
struct TConsoleOptions;

// core has read the settings and the switches (client mode); returns the exit status.
int RunConsoleClient(TMonitorCore& core, const TConsoleOptions& options);

} // namespace keltrix
