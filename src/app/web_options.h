#pragma once
// The long options that store the web service's settings, for machines without the menu:
// --web-service[=PORT] and --no-web-service.

#include <optional>
#include <string>
#include <vector>

namespace keltrix {

class TRegistryStore;

struct TWebServiceOptions {
    std::optional<bool> WebService;
    std::optional<int> Port;
    bool StoresAnything() const { return WebService || Port; }
};

// Takes the options out of args. False with a message when a port is bad.
bool TakeWebServiceOptions(std::vector<std::string>& args, TWebServiceOptions& options,
                           std::string& error);
// Writes them under the main settings key; returns a line telling what was stored. Throws
// when the settings cannot be written.
std::string StoreWebServiceOptions(TRegistryStore& store, const TWebServiceOptions& options);

} // namespace keltrix
