#pragma once
// The web service and the XML auto-save as services of the headless server.

namespace keltrix {

class THeadlessHost;

// Adds both: each runs when its setting (WebService, AutoSave) is stored true.
void AddWebServices(THeadlessHost& host);

} // namespace keltrix
