#pragma once
// Long options that store the server's values, for users without a menu (a headless machine):
// --server[=PORT], --no-server, --password=TEXT, --no-password; and --headless itself.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace keltrix {

class TRegistryStore;

struct TServerOptions {
    bool Headless = false;
    std::optional<bool> Server;
    std::optional<std::int32_t> Port;
    std::optional<std::string> Password; // empty: no password (the value is removed)
    bool StoresAnything() const { return Server || Port || Password; }
};

// Takes the options out of args. False with a message when one is malformed or two contradict.
bool TakeServerOptions(std::vector<std::string>& args, TServerOptions& options, std::string& error);

// Writes them under the main settings key; returns a line telling what was stored. Throws
// when the settings cannot be written.
std::string StoreServerOptions(TRegistryStore& store, const TServerOptions& options);

} // namespace keltrix
