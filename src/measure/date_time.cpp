#include "measure/date_time.h"

#include <cmath>
#include <cstdlib>

namespace keltrix {

namespace {

constexpr std::int64_t MsPerDay = 86400000;
// 1899-12-30 counted from 0001-01-01 as day 1: fixes the day of the week.
constexpr std::int64_t DateDelta = 693594;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : Days[month - 1];
}

// The time of day is added forward from midnight even for days before the epoch.
double Combine(std::int64_t date, std::int64_t msOfDay) {
    const double time = static_cast<double>(msOfDay) / static_cast<double>(MsPerDay);
    const auto whole = static_cast<double>(date);
    return date >= 0 ? whole + time : whole - time;
}

} // namespace

TDateTimeParts DecodeDateTime(double value) {
    TDateTimeParts parts;
    // Keeps the millisecond count far inside the int64 range.
    if (!std::isfinite(value) || value <= MinDateTime - 1 || value >= EndDateTime) return parts;
    const auto ms =
        static_cast<std::int64_t>(std::nearbyint(value * static_cast<double>(MsPerDay)));
    const std::int64_t magnitude = std::llabs(ms);
    const std::int64_t date = ms < 0 ? -(magnitude / MsPerDay) : magnitude / MsPerDay;
    std::int64_t time = magnitude % MsPerDay;
    if (date < static_cast<std::int64_t>(MinDateTime) ||
        date >= static_cast<std::int64_t>(EndDateTime))
        return parts;

    parts.Valid = true;
    CivilFromDays(date - static_cast<std::int64_t>(UnixEpochDateTime), parts.Year, parts.Month,
                  parts.Day);
    parts.DayOfWeek = static_cast<int>((date + DateDelta) % 7) + 1;
    parts.Hour = static_cast<int>(time / 3600000);
    time %= 3600000;
    parts.Minute = static_cast<int>(time / 60000);
    time %= 60000;
    parts.Second = static_cast<int>(time / 1000);
    parts.Millisecond = static_cast<int>(time % 1000);
    return parts;
}

std::optional<double> EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                                     int millisecond) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        return std::nullopt;
    const std::int64_t date =
        DaysFromCivil(year, month, day) + static_cast<std::int64_t>(UnixEpochDateTime);
    return Combine(date, ((hour * 60 + minute) * 60 + second) * 1000 + millisecond);
}

double ToDateTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const std::int64_t ms = floor<milliseconds>(time.time_since_epoch()).count();
    const std::int64_t seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    const auto t = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&t, &local)) return 0;
    const std::int64_t date =
        DaysFromCivil(std::int64_t{local.tm_year} + 1900, local.tm_mon + 1, local.tm_mday) +
        static_cast<std::int64_t>(UnixEpochDateTime);
    // A leap second shows as the last second of its minute.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    const std::int64_t msOfDay =
        ((std::int64_t{local.tm_hour} * 60 + local.tm_min) * 60 + second) * 1000 +
        (ms - seconds * 1000);
    return Combine(date, msOfDay);
}

double ToDateTime(std::time_t time) {
    return ToDateTime(std::chrono::system_clock::from_time_t(time));
}

std::optional<std::chrono::system_clock::time_point> FromDateTime(double value) {
    const TDateTimeParts parts = DecodeDateTime(value);
    if (!parts.Valid) return std::nullopt;
    std::tm local{};
    local.tm_year = parts.Year - 1900;
    local.tm_mon = parts.Month - 1;
    local.tm_mday = parts.Day;
    local.tm_hour = parts.Hour;
    local.tm_min = parts.Minute;
    local.tm_sec = parts.Second;
    local.tm_isdst = -1; // whatever summer time that local moment had
    const std::time_t t = std::mktime(&local);
    return std::chrono::system_clock::from_time_t(t) + std::chrono::milliseconds(parts.Millisecond);
}

} // namespace keltrix
