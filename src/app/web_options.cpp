#include "app/web_options.h"

#include "settings/registry_store.h"

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

void StoreWebServiceOptions(TRegistryStore& store, const TWebServiceOptions& options) {
    if (options.Port) store.WriteInteger("WebServicePort", *options.Port);
    if (options.WebService) store.WriteBool("WebService", *options.WebService);
}

} // namespace keltrix
