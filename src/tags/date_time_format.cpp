#include "tags/date_time_format.h"

#include "measure/date_time.h"
#include "tags/number_format.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace keltrix {

namespace {

enum class TKind {
    Text,
    Year,
    Month,
    Day,
    Hour,
    Minute,
    Second,
    Millisecond,
    Time,        // t, tt
    DateAndTime, // c
    AmPm,        // am/pm as written
    AP,          // a/p as written
    Designator,  // ampm
    ShortDay,    // aaa
    LongDay,     // aaaa
    DateSeparator,
    TimeSeparator,
};

struct TToken {
    explicit TToken(TKind kind, std::size_t count = 0, std::string_view text = {})
        : Kind(kind), Count(count), Text(text) {}
    TKind Kind;
    std::size_t Count;
    std::string_view Text; // Text, AmPm, AP
};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool HasAt(std::string_view text, std::size_t pos, std::string_view word) {
    if (text.size() - pos < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(text[pos + i]) != word[i]) return false;
    return true;
}

TKind RunKind(char lower) {
    switch (lower) {
    case 'y':
        return TKind::Year;
    case 'm':
        return TKind::Month;
    case 'd':
        return TKind::Day;
    case 'h':
        return TKind::Hour;
    case 'n':
        return TKind::Minute;
    case 's':
        return TKind::Second;
    case 'z':
        return TKind::Millisecond;
    case 't':
        return TKind::Time;
    default:
        return TKind::DateAndTime; // c
    }
}

// Era letters (e, g) are shown as written: the calendar here has no eras.
constexpr std::string_view RunLetters = "ymdhnsztc";

std::vector<TToken> Tokenize(std::string_view pattern) {
    std::vector<TToken> tokens;
    bool afterHour = false; // the last letter of the pattern began an hour specifier
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'' || c == '"') {
            std::size_t end = pattern.find(c, i + 1);
            if (end == std::string_view::npos) end = pattern.size();
            tokens.emplace_back(TKind::Text, 0, pattern.substr(i + 1, end - i - 1));
            i = end == pattern.size() ? end : end + 1;
            continue;
        }
        if (!IsAsciiLetter(c)) {
            if (c == '/')
                tokens.emplace_back(TKind::DateSeparator);
            else if (c == ':')
                tokens.emplace_back(TKind::TimeSeparator);
            else
                tokens.emplace_back(TKind::Text, 0, pattern.substr(i, 1));
            ++i;
            continue;
        }
        const char lower = Lower(c);
        if (RunLetters.find(lower) != std::string_view::npos) {
            std::size_t end = i + 1;
            while (end < pattern.size() && Lower(pattern[end]) == lower) ++end;
            TToken token(RunKind(lower), end - i);
            // Right after an hour, m and mm are the minute.
            if (token.Kind == TKind::Month && afterHour && token.Count <= 2)
                token.Kind = TKind::Minute;
            afterHour = lower == 'h';
            tokens.push_back(token);
            i = end;
            continue;
        }
        afterHour = false;
        if (lower == 'a' && HasAt(pattern, i, "am/pm")) {
            tokens.emplace_back(TKind::AmPm, 0, pattern.substr(i, 5));
            i += 5;
        } else if (lower == 'a' && HasAt(pattern, i, "a/p")) {
            tokens.emplace_back(TKind::AP, 0, pattern.substr(i, 3));
            i += 3;
        } else if (lower == 'a' && HasAt(pattern, i, "ampm")) {
            tokens.emplace_back(TKind::Designator);
            i += 4;
        } else if (lower == 'a' && HasAt(pattern, i, "aaaa")) {
            tokens.emplace_back(TKind::LongDay);
            i += 4;
        } else if (lower == 'a' && HasAt(pattern, i, "aaa")) {
            tokens.emplace_back(TKind::ShortDay);
            i += 3;
        } else {
            tokens.emplace_back(TKind::Text, 0, pattern.substr(i, 1));
            ++i;
        }
    }
    return tokens;
}

// An hour is on the 12-hour clock when a designator follows before the next hour.
bool TwelveHourClock(const std::vector<TToken>& tokens, std::size_t hour) {
    for (std::size_t i = hour + 1; i < tokens.size(); ++i) {
        switch (tokens[i].Kind) {
        case TKind::Hour:
            return false;
        case TKind::AmPm:
        case TKind::AP:
        case TKind::Designator:
            return true;
        default:
            break;
        }
    }
    return false;
}

template <std::size_t N>
const std::string& Name(const std::array<std::string, N>& names, int oneBased) {
    static const std::string None;
    return oneBased >= 1 && oneBased <= static_cast<int>(N)
               ? names[static_cast<std::size_t>(oneBased - 1)]
               : None;
}

std::string Number(int value, std::size_t count) {
    return count == 1 ? FormatInt(value) : FormatIntDigits(value, static_cast<int>(count));
}

class TDateWriter {
public:
    TDateWriter(const TDateTimeParts& parts, const TDateLocale& locale)
        : Parts_(parts), Locale_(locale) {}

    // The locale's formats are patterns themselves; a format met inside one of them is not
    // expanded again, so no locale data can recurse.
    void Write(std::string_view pattern, int depth) {
        if (depth > 2) return;
        const std::vector<TToken> tokens = Tokenize(pattern);
        for (std::size_t i = 0; i < tokens.size(); ++i) WriteToken(tokens, i, depth);
    }

    std::string Out;

private:
    void WriteToken(const std::vector<TToken>& tokens, std::size_t i, int depth) {
        const TToken& token = tokens[i];
        const std::size_t count = token.Count;
        switch (token.Kind) {
        case TKind::Text:
            Out += token.Text;
            break;
        case TKind::Year:
            Out += count <= 2 ? FormatIntDigits(Parts_.Year % 100, 2)
                              : FormatIntDigits(Parts_.Year, 4);
            break;
        case TKind::Month:
            if (count <= 2)
                Out += Number(Parts_.Month, count);
            else
                Out += Name(count == 3 ? Locale_.ShortMonthNames : Locale_.LongMonthNames,
                            Parts_.Month);
            break;
        case TKind::Day:
            if (count <= 2)
                Out += Number(Parts_.Day, count);
            else if (count <= 4)
                Out += Name(count == 3 ? Locale_.ShortDayNames : Locale_.LongDayNames,
                            Parts_.DayOfWeek);
            else
                Write(count == 5 ? Locale_.ShortDateFormat : Locale_.LongDateFormat, depth + 1);
            break;
        case TKind::Hour: {
            int hour = Parts_.Hour;
            if (TwelveHourClock(tokens, i)) hour = hour == 0 ? 12 : hour > 12 ? hour - 12 : hour;
            Out += Number(hour, std::min<std::size_t>(count, 2));
            break;
        }
        case TKind::Minute:
            Out += Number(Parts_.Minute, std::min<std::size_t>(count, 2));
            break;
        case TKind::Second:
            Out += Number(Parts_.Second, std::min<std::size_t>(count, 2));
            break;
        case TKind::Millisecond:
            Out += Number(Parts_.Millisecond, std::min<std::size_t>(count, 3));
            break;
        case TKind::Time:
            Write(count == 1 ? Locale_.ShortTimeFormat : Locale_.LongTimeFormat, depth + 1);
            break;
        case TKind::DateAndTime:
            Write(Locale_.ShortDateFormat, depth + 1);
            if (Parts_.Hour != 0 || Parts_.Minute != 0 || Parts_.Second != 0) {
                Out += ' ';
                Write(Locale_.LongTimeFormat, depth + 1);
            }
            break;
        case TKind::AmPm:
            Out += token.Text.substr(Parts_.Hour < 12 ? 0 : 3, 2);
            break;
        case TKind::AP:
            Out += token.Text.substr(Parts_.Hour < 12 ? 0 : 2, 1);
            break;
        case TKind::Designator:
            Out += Parts_.Hour < 12 ? Locale_.TimeAMString : Locale_.TimePMString;
            break;
        case TKind::ShortDay:
            Out += Name(Locale_.ShortDayNames, Parts_.DayOfWeek);
            break;
        case TKind::LongDay:
            Out += Name(Locale_.LongDayNames, Parts_.DayOfWeek);
            break;
        case TKind::DateSeparator:
            Out += Locale_.DateSeparator;
            break;
        case TKind::TimeSeparator:
            Out += Locale_.TimeSeparator;
            break;
        }
    }

    const TDateTimeParts Parts_;
    const TDateLocale& Locale_;
};

} // namespace

std::string FormatDateTime(std::string_view pattern, double value, const TDateLocale& locale) {
    TDateWriter writer(DecodeDateTime(value), locale);
    writer.Write(pattern.empty() ? std::string_view("c") : pattern, 1);
    return std::move(writer.Out);
}

} // namespace keltrix
