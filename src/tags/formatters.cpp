#include "tags/formatters.h"

namespace keltrix {

TFormatterList CreateFormatters(TRawDataShell& rawData) {
    TFormatterList list;
    list.push_back(std::make_unique<TMBMFormat>(rawData));
    list.push_back(std::make_unique<TUTPFormat>(rawData));
    list.push_back(std::make_unique<TPageRAMFormat>(rawData));
    list.push_back(std::make_unique<TProcFormat>(rawData));
    list.push_back(std::make_unique<TNetworkFormat>(rawData));
    list.push_back(std::make_unique<TNonPerfFormat>(rawData));
    list.push_back(std::make_unique<TTopProcFormat>(rawData));
    list.push_back(std::make_unique<TBatteryFormat>(rawData));
    return list;
}

} // namespace keltrix
