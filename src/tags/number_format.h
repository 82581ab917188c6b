#pragma once
// The number patterns of the tags ("%f", "%.0f", "%n", "%.0n", "%g", "%d", "%2d", "%.2d",
// "%3d") with the user's decimal and thousands separators.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keltrix {

struct TLocaleSeparators {
    std::string Decimal = ".";
    std::string Thousands = ","; // empty: no grouping
};

// From the C library's current locale; the program calls setlocale(LC_ALL, "") first.
TLocaleSeparators ReadLocaleSeparators();
// Read from the locale on first use. Set only at start-up or in tests: rendering threads read
// the separators without a lock.
const TLocaleSeparators& LocaleSeparators();
void SetLocaleSeparators(TLocaleSeparators separators);

// Fixed point, rounded half away from zero; a result that rounds to zero carries no sign.
std::string FormatFixed(double value, int decimals, bool thousands);

inline std::string FormatF(double value) {
    return FormatFixed(value, 2, false);
} // "%f"
inline std::string FormatF0(double value) {
    return FormatFixed(value, 0, false);
} // "%.0f"
inline std::string FormatN(double value) {
    return FormatFixed(value, 2, true);
} // "%n"
inline std::string FormatN0(double value) {
    return FormatFixed(value, 0, true);
} // "%.0n"
// "%f" with the decimal flag, "%.0f" without; likewise "%n" and "%.0n".
inline std::string FormatFloat(double value, bool decimal) {
    return decimal ? FormatF(value) : FormatF0(value);
}
inline std::string FormatFloatThousands(double value, bool decimal) {
    return decimal ? FormatN(value) : FormatN0(value);
}

// "%g": up to 15 significant digits, no trailing zeros.
std::string FormatG(double value);

std::string FormatInt(std::int64_t value);                   // "%d"
std::string FormatIntWidth(std::int64_t value, int width);   // "%2d", "%3d"
std::string FormatIntDigits(std::int64_t value, int digits); // "%.2d"

// A "0" in front when the flag is set and the unrounded value is below 10.
std::string ApplyLeadZero(std::string formatted, double unrounded, bool leadZero);

// Whole numbers take halves to even unless a tag says otherwise; saturates at the
// int64 range, NaN gives 0.
std::int64_t RoundHalfEven(double value);

// A whole number in the 32-bit range: leading blanks and a sign allowed, nothing after.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

} // namespace keltrix
