#include "measure/date_time.h"
#include "tags/date_time_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>

using namespace keltrix;

namespace {

TDateLocale German() {
    TDateLocale l;
    l.ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    l.LongDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                      "Donnerstag", "Freitag", "Samstag"};
    l.ShortMonthNames = {"Jan", "Feb", "M\xC3\xA4r", "Apr", "Mai", "Jun",
                         "Jul", "Aug", "Sep",        "Okt", "Nov", "Dez"};
    l.LongMonthNames = {"Januar", "Februar", "M\xC3\xA4rz", "April",   "Mai",      "Juni",
                        "Juli",   "August",  "September",   "Oktober", "November", "Dezember"};
    l.DateSeparator = ".";
    l.ShortDateFormat = "dd/mm/yyyy";
    l.LongDateFormat = "dddd, d. mmmm yyyy";
    l.ShortTimeFormat = "hh:nn";
    l.LongTimeFormat = "hh:nn:ss";
    l.TimeAMString = "";
    l.TimePMString = "";
    return l;
}

double At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDateTime(y, mo, d, h, mi, s, ms).value();
}

// Friday, 5 March 2004, 14:07:09.250.
const double Sample = At(2004, 3, 5, 14, 7, 9, 250);

class DateTimePatternTest : public ::testing::Test {
protected:
    std::string En(std::string_view pattern, double value = Sample) {
        return FormatDateTime(pattern, value, English);
    }
    std::string De(std::string_view pattern, double value = Sample) {
        return FormatDateTime(pattern, value, GermanLocale);
    }
    TDateLocale English;
    TDateLocale GermanLocale = German();
};

TEST_F(DateTimePatternTest, DefaultUsageAndQuotedText) {
    EXPECT_EQ(En("'Date' dd/mm/yy 'Time' hh:nn"), "Date 05/03/04 Time 14:07");
    EXPECT_EQ(De("'Date' dd/mm/yy 'Time' hh:nn"), "Date 05.03.04 Time 14:07");
    EXPECT_EQ(En("'hh:mm/d' h"), "hh:mm/d 14");
    EXPECT_EQ(En("\"dd\"d"), "dd5");
    EXPECT_EQ(En("h 'open"), "14 open"); // an open quote runs to the end
    EXPECT_EQ(En("x! \xC3\xBC#"), "x! \xC3\xBC#");
}

TEST_F(DateTimePatternTest, NumbersAndRuns) {
    EXPECT_EQ(En("d dd m mm y yy yyy yyyy"), "5 05 3 03 04 04 2004 2004");
    EXPECT_EQ(En("DD/MM/YYYY"), "05/03/2004");
    EXPECT_EQ(En("Dd.mM"), "05.03"); // a run ignores letter case
    EXPECT_EQ(En("n nn nnn s ss sss"), "7 07 07 9 09 09");
    EXPECT_EQ(En("z zz zzz zzzz"), "250 250 250 250");
    EXPECT_EQ(En("z zz zzz", At(2004, 3, 5, 0, 0, 0, 5)), "5 05 005");
    EXPECT_EQ(En("hhh", At(2004, 3, 5, 9)), "09");
}

TEST_F(DateTimePatternTest, MinuteRightAfterAnHour) {
    EXPECT_EQ(En("h:m hh:mm"), "14:7 14:07");
    EXPECT_EQ(En("hh'h'mm"), "14h07"); // quoted text is no letter
    EXPECT_EQ(En("hh x mm"), "14 x 03");
    EXPECT_EQ(En("hh mmm"), "14 Mar");
    EXPECT_EQ(En("mm:ss"), "03:09");
}

TEST_F(DateTimePatternTest, DayAndMonthNames) {
    EXPECT_EQ(En("ddd dddd mmm mmmm aaa aaaa"), "Fri Friday Mar March Fri Friday");
    EXPECT_EQ(De("ddd dddd mmm mmmm"), "Fr Freitag M\xC3\xA4r M\xC3\xA4rz");
    EXPECT_EQ(En("dddd", At(2004, 3, 7)), "Sunday");
    EXPECT_EQ(En("dddd mmmm", At(2004, 12, 4)), "Saturday December");
    EXPECT_EQ(En("aa"), "aa");
}

TEST_F(DateTimePatternTest, LocaleFormats) {
    EXPECT_EQ(En("ddddd|dddddd|dddddddd"), "3/5/2004|Friday, March 5, 2004|Friday, March 5, 2004");
    EXPECT_EQ(De("ddddd|dddddd"), "05.03.2004|Freitag, 5. M\xC3\xA4rz 2004");
    EXPECT_EQ(En("t|tt|ttt"), "2:07 PM|2:07:09 PM|2:07:09 PM");
    EXPECT_EQ(De("t|tt"), "14:07|14:07:09");
    GermanLocale.TimeSeparator = ".";
    EXPECT_EQ(De("tt|h:n"), "14.07.09|14.7");
}

TEST_F(DateTimePatternTest, DateAndTimeShowsTheTimeUnlessMidnight) {
    EXPECT_EQ(En("c"), "3/5/2004 2:07:09 PM");
    EXPECT_EQ(En(""), "3/5/2004 2:07:09 PM");
    EXPECT_EQ(De("c"), "05.03.2004 14:07:09");
    EXPECT_EQ(En("c", At(2004, 3, 5)), "3/5/2004");
    // Milliseconds alone do not count as a time.
    EXPECT_EQ(En("c", At(2004, 3, 5, 0, 0, 0, 400)), "3/5/2004");
    EXPECT_EQ(En("c", At(2004, 3, 5, 0, 0, 1)), "3/5/2004 12:00:01 AM");
}

TEST_F(DateTimePatternTest, DesignatorsAndTheTwelveHourClock) {
    EXPECT_EQ(En("h:nn am/pm"), "2:07 pm");
    EXPECT_EQ(En("hh:nn AM/PM"), "02:07 PM");
    EXPECT_EQ(En("h Am/pM"), "2 pM");
    EXPECT_EQ(En("h a/p|h A/P"), "2 p|2 P");
    EXPECT_EQ(En("h ampm"), "2 PM");
    EXPECT_EQ(De("h ampm"), "2 "); // the German designators are empty
    const double midnight = At(2004, 3, 5, 0, 30);
    const double noon = At(2004, 3, 5, 12);
    EXPECT_EQ(En("h am/pm", midnight), "12 am");
    EXPECT_EQ(En("h am/pm", noon), "12 pm");
    EXPECT_EQ(En("h am/pm", At(2004, 3, 5, 11, 59, 59)), "11 am");
    EXPECT_EQ(En("h am/pm", At(2004, 3, 5, 23)), "11 pm");
    // Only a designator after the hour and before the next hour counts, and not one in quotes.
    EXPECT_EQ(En("hh h am/pm"), "14 2 pm");
    EXPECT_EQ(En("am/pm h"), "pm 14");
    EXPECT_EQ(En("h 'am/pm'"), "14 am/pm");
    EXPECT_EQ(En("h ': 'nn a/p"), "2 : 07 p");
}

TEST_F(DateTimePatternTest, EpochHalvesAndRounding) {
    EXPECT_EQ(En("yyyy-mm-dd hh:nn:ss.zzz dddd", 0.0), "1899-12-30 00:00:00.000 Saturday");
    EXPECT_EQ(En("yyyy-mm-dd hh:nn am/pm", 0.5), "1899-12-30 12:00 pm");
    EXPECT_EQ(En("yyyy-mm-dd hh:nn", 1.75), "1899-12-31 18:00");
    // Before the epoch the fraction still counts forward from midnight.
    EXPECT_EQ(En("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
    EXPECT_EQ(En("yyyy-mm-dd hh:nn", -0.5), "1899-12-30 12:00");
    // Rounded to the millisecond before splitting, so nothing shows 24:00 or 60 seconds.
    EXPECT_EQ(En("yyyy-mm-dd hh:nn:ss", At(2004, 3, 6) - 1e-10), "2004-03-06 00:00:00");
    EXPECT_EQ(En("hh:nn:ss.zzz", At(2004, 3, 5, 14, 7, 9, 999) + 0.0006 / 86400), "14:07:10.000");
    EXPECT_EQ(En("d/m/yyyy", At(2000, 2, 29)), "29/2/2000");
}

TEST_F(DateTimePatternTest, ValuesWithoutADateShowZeros) {
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, -693594.0, 2958466.0})
        EXPECT_EQ(En("yyyy/mm/dd hh:nn [mmm dddd] c", bad), "0000/00/00 00:00 [ ] 0/0/0000") << bad;
    EXPECT_EQ(En("yyyy-mm-dd", -693593.0), "0001-01-01");
    EXPECT_EQ(En("yyyy-mm-dd hh:nn", 2958465.999), "9999-12-31 23:58");
}

TEST_F(DateTimePatternTest, LocaleFormatsDoNotRecurseForever) {
    English.ShortDateFormat = "<c ddddd>";
    English.LongTimeFormat = "tt";
    EXPECT_EQ(En("c", At(2004, 3, 5)), "< >");
    EXPECT_EQ(En("ddddd tt"), "<  > ");
}

// ---- Locale data from the C library ----

using TItems = std::map<nl_item, std::string>;

TDateLocale FromItems(const TItems& items) {
    return DateLocaleFromLangInfo([&items](nl_item item) {
        const auto found = items.find(item);
        return found == items.end() ? std::string() : found->second;
    });
}

TEST(DateLocaleFromLangInfo, TwelveHourEnglish) {
    const TDateLocale l = FromItems({{D_FMT, "%m/%d/%Y"},
                                     {T_FMT, "%r"},
                                     {T_FMT_AMPM, "%I:%M:%S %p"},
                                     {D_T_FMT, "%a %d %b %Y %r %Z"},
                                     {AM_STR, "AM"},
                                     {PM_STR, "PM"}});
    EXPECT_EQ(l.DateSeparator, "/");
    EXPECT_EQ(l.ShortDateFormat, "mm/dd/yyyy");
    EXPECT_EQ(l.LongDateFormat, "ddd dd mmm yyyy");
    EXPECT_EQ(l.TimeSeparator, ":");
    EXPECT_EQ(l.LongTimeFormat, "hh:nn:ss ampm");
    EXPECT_EQ(l.ShortTimeFormat, "hh:nn ampm");
    EXPECT_EQ(FormatDateTime("c", Sample, l), "03/05/2004 02:07:09 PM");
    EXPECT_EQ(l.LongDayNames[0], "Sunday"); // names not given keep their defaults
}

TEST(DateLocaleFromLangInfo, GermanInLatin1) {
    const TDateLocale l = FromItems({{D_FMT, "%d.%m.%Y"},
                                     {T_FMT, "%T"},
                                     {D_T_FMT, "%a %d %b %Y %T %Z"},
                                     {ABDAY_1 + 5, "Fr"},
                                     {DAY_1 + 5, "Freitag"},
                                     {ABMON_1 + 2, "M\xE4r"},
                                     {MON_1 + 2, "M\xE4rz"}});
    EXPECT_EQ(l.DateSeparator, ".");
    EXPECT_EQ(l.ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(l.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(l.ShortTimeFormat, "hh:nn");
    EXPECT_EQ(l.TimeAMString, "");
    EXPECT_EQ(FormatDateTime("ddd ddddd t, mmm dddd mmmm", Sample, l),
              "Fr 05.03.2004 14:07, M\xC3\xA4r Freitag M\xC3\xA4rz");
}

TEST(DateLocaleFromLangInfo, OddFormatsStillRenderRight) {
    // Time pieces inside the date-and-time format leave one separator behind.
    TDateLocale l =
        FromItems({{D_FMT, "%Y-%m-%d"}, {T_FMT, "%Hh%M"}, {D_T_FMT, "%a %b %e %H:%M:%S %Y"}});
    EXPECT_EQ(l.DateSeparator, "-");
    EXPECT_EQ(l.LongDateFormat, "ddd mmm d yyyy");
    EXPECT_EQ(l.TimeSeparator, ":"); // a letter is no separator
    EXPECT_EQ(FormatDateTime("ddddd tt dddddd", Sample, l), "2004-03-05 14h07 Fri Mar 5 2004");

    l = FromItems({{D_FMT, "%Y\xE5\xB9\xB4%-m/%e'%y"}, {T_FMT, "%H.%M.%S"}});
    EXPECT_EQ(l.TimeSeparator, ".");
    EXPECT_EQ(FormatDateTime("ddddd tt t", Sample, l), "2004\xE5\xB9\xB4"
                                                       "3/5'04 14.07.09 14.07");
}

TEST(DateLocaleFromLangInfo, ReadsTheCLocale) {
    // The tests never call setlocale, so the C library is in the "C" locale.
    const TDateLocale l = ReadDateLocale();
    EXPECT_EQ(l.ShortDateFormat, "mm/dd/yy");
    EXPECT_EQ(l.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(l.TimeAMString, "AM");
    EXPECT_EQ(l.LongMonthNames[2], "March");
}

// ---- The record's DateTime ----

TEST(RecordDateTime, EncodesDaysSinceTheEpoch) {
    EXPECT_EQ(EncodeDateTime(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDateTime(1970, 1, 1), UnixEpochDateTime);
    EXPECT_EQ(EncodeDateTime(2004, 3, 5, 18), 38051.75);
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6), -1.25);
    EXPECT_EQ(EncodeDateTime(1, 1, 1), MinDateTime);
    EXPECT_TRUE(EncodeDateTime(2000, 2, 29));
    for (auto bad : {EncodeDateTime(1900, 2, 29), EncodeDateTime(2004, 13, 1),
                     EncodeDateTime(0, 1, 1), EncodeDateTime(2004, 4, 31),
                     EncodeDateTime(2004, 1, 1, 24), EncodeDateTime(2004, 1, 1, 0, 0, 60)})
        EXPECT_FALSE(bad);
    const TDateTimeParts parts = DecodeDateTime(Sample);
    EXPECT_TRUE(parts.Valid);
    EXPECT_EQ(parts.DayOfWeek, 6);
    EXPECT_EQ(parts.Millisecond, 250);
}

// The local zone for one test; restored afterwards.
class ZoneTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) Saved_ = tz;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override {
        if (Saved_)
            setenv("TZ", Saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> Saved_;
};

TEST_F(ZoneTest, UnixTimeToLocalDateTimeAndBack) {
    using namespace std::chrono;
    // 2004-03-05 13:07:09 UTC is 14:07:09 in winter time, 2004-07-01 12:00 UTC 14:00 in summer.
    EXPECT_DOUBLE_EQ(ToDateTime(std::time_t{1078492029}), At(2004, 3, 5, 14, 7, 9));
    EXPECT_DOUBLE_EQ(ToDateTime(std::time_t{1088683200}), At(2004, 7, 1, 14));
    const auto withMs = system_clock::from_time_t(1078492029) + milliseconds(250);
    EXPECT_DOUBLE_EQ(ToDateTime(withMs), Sample);
    EXPECT_EQ(FromDateTime(Sample), withMs);
    EXPECT_EQ(FromDateTime(At(2004, 7, 1, 14)), system_clock::from_time_t(1088683200));
    // Before 1970 the second still starts at its beginning.
    EXPECT_DOUBLE_EQ(ToDateTime(system_clock::from_time_t(-1) + milliseconds(500)),
                     At(1970, 1, 1, 0, 59, 59, 500));
    EXPECT_FALSE(FromDateTime(std::nan("")));
}

} // namespace
