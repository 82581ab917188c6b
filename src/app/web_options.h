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
};

// Takes the options out of args. False with a message when a port is bad.
bool TakeWebServiceOptions(std::vector<std::string>& args, TWebServiceOptions& options,
                           std::string& error);
// Writes what was given into the open base key.
void StoreWebServiceOptions(TRegistryStore& store, const TWebServiceOptions& options);

} // namespace keltrix
