#pragma once
// The date/time patterns of the DateTime tag ("'Date' dd/mm/yy 'Time' hh:nn") with the day and
// month names, separators, formats and designators of the user's locale.

#include <array>
#include <functional>
#include <langinfo.h>
#include <string>
#include <string_view>

namespace keltrix {

// Texts are UTF-8; the four formats are written in the pattern language itself.
struct TDateLocale {
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    std::string DateSeparator = "/";
    std::string TimeSeparator = ":";
    std::string ShortDateFormat = "m/d/yyyy";
    std::string LongDateFormat = "dddd, mmmm d, yyyy";
    std::string ShortTimeFormat = "h:nn ampm";
    std::string LongTimeFormat = "h:nn:ss ampm";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
};

// One item of the C library's locale data, in the locale's own character set.
using TLangInfo = std::function<std::string(nl_item item)>;
// Names, designators and the strftime formats D_FMT, T_FMT (T_FMT_AMPM for %r) and D_T_FMT
// (its date part as the long date) turned into patterns. Text that is not UTF-8 is taken as
// Windows-1252.
TDateLocale DateLocaleFromLangInfo(const TLangInfo& langInfo);
// From nl_langinfo of the current locale; the program calls setlocale(LC_ALL, "") first.
TDateLocale ReadDateLocale();
// Read from the locale on first use. Set only at start-up or in tests: rendering threads read
// it without a lock.
const TDateLocale& DateLocale();
void SetDateLocale(TDateLocale locale);

// value is the record's DateTime. An empty pattern works like "c". A value without a date
// (not finite, before 0001 or after 9999) shows zeros and empty names.
std::string FormatDateTime(std::string_view pattern, double value, const TDateLocale& locale);

} // namespace keltrix
