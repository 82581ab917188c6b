// A power supply's uevent, and the same bytes as the content of each attribute file.
#include "platform/linux/proc_parse.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix::platform::detail;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TPowerSupply supply;
    ParsePowerSupplyUevent(text, supply);
    for (const char* name :
         {"type", "scope", "status", "online", "capacity", "energy_now", "energy_full", "power_now",
          "charge_now", "charge_full", "current_now"}) {
        if (!SetPowerSupplyValue(name, text, supply)) std::abort();
    }
    return 0;
}
