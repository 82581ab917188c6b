#pragma once
// The record's DateTime: whole days since 1899-12-30 plus the fraction of the day, in local
// time. Before that day the fraction still counts forward from midnight (-1.25 is
// 1899-12-29 06:00), as peers on the wire expect.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>

namespace keltrix {

inline constexpr double UnixEpochDateTime = 25569.0; // 1970-01-01
// 0001-01-01 and the day after 9999-12-31: values outside carry no date.
inline constexpr double MinDateTime = -693593.0;
inline constexpr double EndDateTime = 2958466.0;

struct TDateTimeParts {
    bool Valid = false; // false leaves every other field 0
    int Year = 0;
    int Month = 0;     // 1..12
    int Day = 0;       // 1..31
    int DayOfWeek = 0; // 1 Sunday .. 7 Saturday
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// Rounded to the millisecond (halves to even) before the split, so 23:59:59.9996 is the next
// day's midnight.
TDateTimeParts DecodeDateTime(double value);
// Proleptic Gregorian; nullopt for a day or time that does not exist.
std::optional<double> EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                                     int second = 0, int millisecond = 0);

// Local time of the machine, with the zone and summer time of that moment.
double ToDateTime(std::chrono::system_clock::time_point time);
double ToDateTime(std::time_t time);
// nullopt when the value holds no date.
std::optional<std::chrono::system_clock::time_point> FromDateTime(double value);

} // namespace keltrix
