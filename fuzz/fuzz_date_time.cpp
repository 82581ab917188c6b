// Date/time patterns with arbitrary values, through English and through a locale whose own
// formats hold every specifier, themselves included. The first eight bytes are the value.

#include "tags/date_time_format.h"

#include <cstdint>
#include <cstring>
#include <string_view>

using namespace keltrix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    double value = 38051.5884375;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        data += sizeof value;
        size -= sizeof value;
    }
    const std::string_view pattern(reinterpret_cast<const char*>(data), size);

    static const TDateLocale english;
    static const TDateLocale nested = [] {
        TDateLocale l;
        l.ShortDateFormat = "c ddddd dddddd t tt 'q";
        l.LongDateFormat = "dddddd ddddd yyyy \"x";
        l.ShortTimeFormat = "tt c h am/pm";
        l.LongTimeFormat = "t ddddd hh:nn:ss.zzz ampm";
        l.DateSeparator = "";
        l.TimeSeparator = "\xE2\x80\xAF";
        return l;
    }();
    (void)FormatDateTime(pattern, value, english);
    (void)FormatDateTime(pattern, value, nested);
    return 0;
}
