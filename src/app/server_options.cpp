#include "app/server_options.h"

#include "base/errors.h"
#include "settings/registry_store.h"
#include "settings/settings_key.h"

#include <charconv>

namespace keltrix {

bool TakeServerOptions(std::vector<std::string>& args, TServerOptions& options,
                       std::string& error) {
    std::vector<std::string> rest;
    auto set = [&](std::optional<bool>& slot, bool value, const std::string& arg) {
        if (slot && *slot != value) {
            error = arg + " contradicts an earlier option";
            return false;
        }
        slot = value;
        return true;
    };
    std::optional<bool> passwordGiven;
    for (const std::string& a : args) {
        if (a == "--headless") {
            options.Headless = true;
        } else if (a == "--server") {
            if (!set(options.Server, true, a)) return false;
        } else if (a.rfind("--server=", 0) == 0) {
            const std::string n = a.substr(9);
            std::int32_t port = 0;
            const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), port);
            if (ec != std::errc() || end != n.data() + n.size() || port < 1 || port > 65535) {
                error = "--server=PORT needs a TCP port from 1 to 65535, not \"" + n + "\"";
                return false;
            }
            if (!set(options.Server, true, a)) return false;
            options.Port = port;
        } else if (a == "--no-server") {
            if (!set(options.Server, false, a)) return false;
        } else if (a.rfind("--password=", 0) == 0) {
            if (!set(passwordGiven, true, a)) return false;
            options.Password = a.substr(11);
        } else if (a == "--no-password") {
            if (!set(passwordGiven, false, a)) return false;
            options.Password = std::string();
        } else {
            rest.push_back(a);
        }
    }
    args = std::move(rest);
    return true;
}

std::string StoreServerOptions(TRegistryStore& store, const TServerOptions& options) {
    // A file that cannot be parsed keeps writes in memory only: they would be lost.
    if (const std::string problem = store.LoadError(); !problem.empty())
        throw EInOutError(problem + "; nothing is stored");
    // Migrated first: an old layout would otherwise wipe these values at the next start.
    OpenAndMigrateSettings(store);
    std::string told;
    auto tell = [&told](const std::string& s) { told += (told.empty() ? "" : ", ") + s; };
    if (options.Port) {
        store.WriteInteger("ServPort", *options.Port);
        tell("ServPort=" + std::to_string(*options.Port));
    }
    if (options.Server) {
        store.WriteBool("Server", *options.Server);
        tell(std::string("Server=") + (*options.Server ? "on" : "off"));
    }
    if (options.Password) {
        if (options.Password->empty()) {
            store.DeleteValue("Password");
            tell("no password");
        } else {
            store.WriteString("Password", *options.Password);
            tell("Password set");
        }
    }
    store.CloseKey();
    return "stored " + told + " in " + store.FileName();
}

} // namespace keltrix
