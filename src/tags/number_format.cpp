#include "tags/number_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <langinfo.h>
#include <limits>

namespace keltrix {

namespace {

TLocaleSeparators& Separators() {
    static TLocaleSeparators separators = ReadLocaleSeparators();
    return separators;
}

std::string NonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// Correctly rounded at the given places; the buffer holds any double at the places used here.
std::string ToChars(double value, std::chars_format format, int precision) {
    std::array<char, 400> buffer;
    const auto written =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
    return std::string(buffer.data(), written.ptr);
}

std::string Group(const std::string& digits, const std::string& separator) {
    if (separator.empty()) return digits;
    std::string result;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) result += separator;
        result += digits[i];
    }
    return result;
}

// Adds one to the last digit and carries; may grow by one digit.
void Increment(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(0, 1, '1');
}

} // namespace

TLocaleSeparators ReadLocaleSeparators() {
    TLocaleSeparators result;
    const char* radix = nl_langinfo(RADIXCHAR);
    const char* thousands = nl_langinfo(THOUSEP);
    result.Decimal = radix && *radix ? radix : ".";
    result.Thousands = thousands ? thousands : "";
    return result;
}

const TLocaleSeparators& LocaleSeparators() {
    return Separators();
}

void SetLocaleSeparators(TLocaleSeparators separators) {
    Separators() = std::move(separators);
}

std::string FormatFixed(double value, int decimals, bool thousands) {
    if (!std::isfinite(value)) return NonFinite(value);
    // Only the digit after the kept ones decides, so it must be exact. A double that is not
    // itself a tie lies so far from one that rounding this many places further on cannot
    // carry into that digit.
    decimals = std::clamp(decimals, 0, 20);
    const std::string exact =
        ToChars(std::fabs(value), std::chars_format::fixed, 2 * decimals + 24);
    const std::size_t point = exact.find('.');
    std::string digits(exact.substr(0, point));
    digits += exact.substr(point + 1, static_cast<std::size_t>(decimals));
    const bool roundUp = exact[point + 1 + static_cast<std::size_t>(decimals)] >= '5';
    if (roundUp) Increment(digits);

    const std::size_t intLength = digits.size() - static_cast<std::size_t>(decimals);
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    const TLocaleSeparators& separators = LocaleSeparators();
    std::string result = std::signbit(value) && !zero ? "-" : "";
    const std::string intPart = digits.substr(0, intLength);
    result += thousands ? Group(intPart, separators.Thousands) : intPart;
    if (decimals > 0) result += separators.Decimal + digits.substr(intLength);
    return result;
}

std::string FormatG(double value) {
    if (!std::isfinite(value)) return NonFinite(value);
    if (value == 0) return "0";
    // d.dddddddddddddde±x: fifteen significant digits.
    const std::string scientific = ToChars(std::fabs(value), std::chars_format::scientific, 14);
    const std::size_t e = scientific.find('e');
    std::string digits = scientific.substr(0, 1) + scientific.substr(2, e - 2);
    const int exponent = std::stoi(scientific.substr(e + 1));
    digits.erase(digits.find_last_not_of('0') + 1);

    const std::string& point = LocaleSeparators().Decimal;
    std::string result = value < 0 ? "-" : "";
    if (exponent <= -6 || exponent >= 15) {
        result += digits.substr(0, 1);
        if (digits.size() > 1) result += point + digits.substr(1);
        result += "E" + std::to_string(exponent);
    } else if (exponent >= 0) {
        const auto intDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            result += digits + std::string(intDigits - digits.size(), '0');
        } else {
            result += digits.substr(0, intDigits) + point + digits.substr(intDigits);
        }
    } else {
        result += "0" + point + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    return result;
}

std::string FormatInt(std::int64_t value) {
    return FormatIntDigits(value, 0);
}

std::string FormatIntWidth(std::int64_t value, int width) {
    std::string text = FormatInt(value);
    if (text.size() < static_cast<std::size_t>(width))
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

std::string FormatIntDigits(std::int64_t value, int digits) {
    // The magnitude as unsigned, so the smallest int64 has one too.
    std::uint64_t magnitude =
        value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    std::string text = std::to_string(magnitude);
    if (text.size() < static_cast<std::size_t>(digits))
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    if (value < 0) text.insert(0, 1, '-');
    return text;
}

std::string ApplyLeadZero(std::string formatted, double unrounded, bool leadZero) {
    if (leadZero && unrounded < 10) formatted.insert(0, 1, '0');
    return formatted;
}

std::int64_t RoundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    // 2^63 is exact as a double; anything at or beyond it saturates.
    constexpr double Limit = 9223372036854775808.0;
    if (value >= Limit) return std::numeric_limits<std::int64_t>::max();
    if (value <= -Limit) return std::numeric_limits<std::int64_t>::min();
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
    if (whole >= Limit) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(whole);
}

std::optional<std::int32_t> ParseWholeNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace keltrix
