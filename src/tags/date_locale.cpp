// The user's day and month names, date and time formats, separators and designators, taken
// from the C library's locale data and rewritten in the pattern language.

#include "measure/codepage.h"
#include "tags/date_time_format.h"

#include <cstddef>
#include <vector>

namespace keltrix {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

enum class TPart { Literal, Date, Time, Dropped };

struct TStrfToken {
    TPart Part;
    std::string Text; // the literal, or the specifier in the pattern language
    bool Seconds = false;
};

// strftime formats of the locale, broken into pieces that the pattern language can say.
class TStrftimeReader {
public:
    explicit TStrftimeReader(const TLangInfo& langInfo) : LangInfo_(langInfo) {}

    std::vector<TStrfToken> Read(std::string_view format) {
        Tokens_.clear();
        Literal_.clear();
        Parse(format, 0);
        Flush();
        return std::move(Tokens_);
    }

    std::string Item(nl_item item) const { return LangInfo_(item); }

private:
    void Flush() {
        if (!Literal_.empty()) Tokens_.push_back({TPart::Literal, std::move(Literal_)});
        Literal_.clear();
    }

    void Emit(TPart part, std::string text, bool seconds = false) {
        Flush();
        Tokens_.push_back({part, std::move(text), seconds});
    }

    void Nested(const std::string& format, std::string_view fallback, int depth) {
        // Guards against a locale whose %X names %X.
        if (depth < 3) Parse(format.empty() ? fallback : std::string_view(format), depth + 1);
    }

    void Parse(std::string_view format, int depth) {
        std::size_t i = 0;
        while (i < format.size()) {
            if (format[i] != '%') {
                Literal_ += format[i++];
                continue;
            }
            ++i;
            bool unpadded = false;
            while (i < format.size() &&
                   std::string_view("_-0^#").find(format[i]) != std::string_view::npos) {
                const char flag = format[i++];
                if (flag == '-' || flag == '_') unpadded = true;
            }
            while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
            if (i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;
            if (i >= format.size()) break;
            const char conversion = format[i++];
            const auto pick = [unpadded](const char* one, const char* two) {
                return std::string(unpadded ? one : two);
            };
            switch (conversion) {
            case 'a':
                Emit(TPart::Date, "ddd");
                break;
            case 'A':
                Emit(TPart::Date, "dddd");
                break;
            case 'b':
            case 'h':
                Emit(TPart::Date, "mmm");
                break;
            case 'B':
                Emit(TPart::Date, "mmmm");
                break;
            case 'd':
                Emit(TPart::Date, pick("d", "dd"));
                break;
            case 'e':
                Emit(TPart::Date, "d");
                break;
            case 'm':
                Emit(TPart::Date, pick("m", "mm"));
                break;
            case 'y':
                Emit(TPart::Date, "yy");
                break;
            case 'Y':
                Emit(TPart::Date, "yyyy");
                break;
            case 'H':
            case 'I':
                Emit(TPart::Time, pick("h", "hh"));
                break;
            case 'k':
            case 'l':
                Emit(TPart::Time, "h");
                break;
            case 'M':
                Emit(TPart::Time, pick("n", "nn"));
                break;
            case 'S':
                Emit(TPart::Time, pick("s", "ss"), true);
                break;
            case 'p':
            case 'P':
                Emit(TPart::Time, "ampm");
                break;
            case 'r':
                Nested(Item(T_FMT_AMPM), "%I:%M:%S %p", depth);
                break;
            case 'R':
                Nested({}, "%H:%M", depth);
                break;
            case 'T':
                Nested({}, "%H:%M:%S", depth);
                break;
            case 'D':
                Nested({}, "%m/%d/%y", depth);
                break;
            case 'F':
                Nested({}, "%Y-%m-%d", depth);
                break;
            case 'x':
                Nested(Item(D_FMT), "%m/%d/%y", depth);
                break;
            case 'X':
                Nested(Item(T_FMT), "%H:%M:%S", depth);
                break;
            case 'c':
                Nested(Item(D_T_FMT), "%a %b %e %H:%M:%S %Y", depth);
                break;
            case 'n':
            case 't':
                Literal_ += ' ';
                break;
            case '%':
                Literal_ += '%';
                break;
            default:
                Emit(TPart::Dropped, {});
                break; // zones, week numbers, ...
            }
        }
    }

    const TLangInfo& LangInfo_;
    std::vector<TStrfToken> Tokens_;
    std::string Literal_;
};

// Literal text of a locale format, quoted where the pattern language would read it.
std::string Quote(std::string_view literal) {
    std::string out;
    bool open = false;
    for (char c : literal) {
        if (c == '\'') {
            if (open) out += '\'';
            open = false;
            out += "\"'\"";
            continue;
        }
        if (!open && (IsAsciiLetter(c) || c == '/' || c == ':' || c == '"')) {
            out += '\'';
            open = true;
        }
        out += c;
    }
    if (open) out += '\'';
    return out;
}

bool PlausibleSeparator(std::string_view text) {
    if (text.empty() || text.size() > 3) return false;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '\'' || c == '"' ||
            u < 0x20)
            return false;
    }
    return text.find_first_not_of(' ') != std::string_view::npos;
}

// The first literal standing between two pieces of the given kind.
std::string FindSeparator(const std::vector<TStrfToken>& tokens, TPart part, std::string fallback) {
    for (std::size_t i = 1; i + 1 < tokens.size(); ++i)
        if (tokens[i].Part == TPart::Literal && tokens[i - 1].Part == part &&
            tokens[i + 1].Part == part && PlausibleSeparator(tokens[i].Text))
            return tokens[i].Text;
    return fallback;
}

// separatorSymbol stands for the locale's separator wherever the format writes it.
std::string Join(const std::vector<TStrfToken>& tokens, const std::string& separator,
                 std::string_view separatorSymbol) {
    std::string out;
    for (const TStrfToken& token : tokens) {
        if (token.Part == TPart::Literal)
            out += token.Text == separator ? std::string(separatorSymbol) : Quote(token.Text);
        else
            out += token.Text;
    }
    return out;
}

// The date part of the locale's date-and-time format: where time or zone pieces stood between
// two date pieces, only the text right after the first date piece is kept.
std::vector<TStrfToken> DatePart(const std::vector<TStrfToken>& tokens) {
    std::vector<TStrfToken> out;
    std::size_t last = tokens.size(); // the last date piece taken
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].Part != TPart::Date) continue;
        if (last != tokens.size()) {
            bool onlyText = true;
            for (std::size_t k = last + 1; k < i; ++k) onlyText &= tokens[k].Part == TPart::Literal;
            for (std::size_t k = last + 1; k < i; ++k) {
                if (tokens[k].Part != TPart::Literal) break;
                out.push_back(tokens[k]);
                if (!onlyText) break;
            }
        }
        out.push_back(tokens[i]);
        last = i;
    }
    return out;
}

std::string Text(const TLangInfo& langInfo, nl_item item) {
    return FileTextToUtf8(langInfo(item));
}

void ReadNames(const TLangInfo& langInfo, TDateLocale& locale) {
    const auto set = [&](std::string& name, int item) {
        std::string text = Text(langInfo, static_cast<nl_item>(item));
        if (!text.empty()) name = std::move(text);
    };
    for (int i = 0; i < 7; ++i) {
        set(locale.ShortDayNames[static_cast<std::size_t>(i)], ABDAY_1 + i);
        set(locale.LongDayNames[static_cast<std::size_t>(i)], DAY_1 + i);
    }
    for (int i = 0; i < 12; ++i) {
        const auto k = static_cast<std::size_t>(i);
        set(locale.ShortMonthNames[k], ABMON_1 + i);
        set(locale.LongMonthNames[k], MON_1 + i);
#ifdef ALTMON_1
        // A month named alone takes the nominative where the language has cases.
        set(locale.LongMonthNames[k], ALTMON_1 + i);
#endif
    }
}

TDateLocale& CurrentDateLocale() {
    static TDateLocale locale = ReadDateLocale();
    return locale;
}

} // namespace

TDateLocale DateLocaleFromLangInfo(const TLangInfo& langInfo) {
    TDateLocale locale;
    ReadNames(langInfo, locale);
    locale.TimeAMString = Text(langInfo, AM_STR);
    locale.TimePMString = Text(langInfo, PM_STR);

    TStrftimeReader reader(langInfo);
    if (const std::string format = Text(langInfo, D_FMT); !format.empty()) {
        const std::vector<TStrfToken> tokens = reader.Read(format);
        locale.DateSeparator = FindSeparator(tokens, TPart::Date, "/");
        locale.ShortDateFormat = Join(tokens, locale.DateSeparator, "/");
    }
    std::string timeFormat = Text(langInfo, T_FMT);
    if (timeFormat.empty()) timeFormat = Text(langInfo, T_FMT_AMPM);
    if (!timeFormat.empty()) {
        std::vector<TStrfToken> tokens = reader.Read(timeFormat);
        locale.TimeSeparator = FindSeparator(tokens, TPart::Time, ":");
        locale.LongTimeFormat = Join(tokens, locale.TimeSeparator, ":");
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            if (!tokens[i].Seconds) continue;
            const std::size_t from = i > 0 && tokens[i - 1].Part == TPart::Literal ? i - 1 : i;
            tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(from),
                         tokens.begin() + static_cast<std::ptrdiff_t>(i + 1));
            break;
        }
        locale.ShortTimeFormat = Join(tokens, locale.TimeSeparator, ":");
    }
    const std::vector<TStrfToken> dateTime = DatePart(reader.Read(Text(langInfo, D_T_FMT)));
    locale.LongDateFormat =
        dateTime.empty() ? locale.ShortDateFormat : Join(dateTime, std::string(), {});
    return locale;
}

TDateLocale ReadDateLocale() {
    return DateLocaleFromLangInfo([](nl_item item) {
        const char* text = nl_langinfo(item);
        return std::string(text ? text : "");
    });
}

const TDateLocale& DateLocale() {
    return CurrentDateLocale();
}

void SetDateLocale(TDateLocale locale) {
    CurrentDateLocale() = std::move(locale);
}

} // namespace keltrix
