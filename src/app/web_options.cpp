#include "app/web_options.h"

#include "base/errors.h"
#include "settings/registry_store.h"
#include "settings/settings_key.h"

#include <charconv>

namespace keltrix {

bool TakeWebServiceOptions(std::vector<std::string>& args, TWebServiceOptions& options,
                           std::string& error) {
    std::vector<std::string> rest;
    for (const std::string& a : args) {
        if (a == "--web-service") {
            options.WebService = true;
        } else if (a.rfind("--web-service=", 0) == 0) {
            const std::string text = a.substr(14);
            int port = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
            if (text.empty() || ec != std::errc() || end != text.data() + text.size() || port < 1 ||
                port > 65535) {
                error = "--web-service=PORT needs a port from 1 to 65535, not \"" + text + "\"";
                return false;
            }
            options.WebService = true;
            options.Port = port;
        } else if (a == "--no-web-service") {
            options.WebService = false;
        } else {
            rest.push_back(a);
        }
    }
    args = std::move(rest);
    return true;
}

std::string StoreWebServiceOptions(TRegistryStore& store, const TWebServiceOptions& options) {
    // A file that cannot be parsed keeps writes in memory only: they would be lost.
    if (const std::string problem = store.LoadError(); !problem.empty())
        throw EInOutError(problem + "; nothing is stored");
    // Migrated first: an old layout would otherwise wipe these values at the next start.
    OpenAndMigrateSettings(store);
    std::string told;
    if (options.Port) {
        store.WriteInteger("WebServicePort", *options.Port);
        told = "WebServicePort=" + std::to_string(*options.Port) + ", ";
    }
    if (options.WebService) {
        store.WriteBool("WebService", *options.WebService);
        told += std::string("WebService=") + (*options.WebService ? "on" : "off");
    }
    store.CloseKey();
    return "stored " + told + " in " + store.FileName();
}

} // namespace keltrix
