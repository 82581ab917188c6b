#include "tags/formatter.h"

#include "tags/number_format.h"

#include <algorithm>
#include <limits>

namespace keltrix {

namespace {

constexpr std::string_view TagOpening = "<NAME=";
// A width beyond any display line; keeps SIZE=999999999 from eating the memory.
constexpr std::int32_t MaxPadWidth = 4096;

struct TDigits {
    bool Any = false;
    bool Overflow = false;
    std::int32_t Value = 0;
};

TDigits ReadDigits(std::string_view text, std::size_t pos) {
    TDigits result;
    std::int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        result.Any = true;
        if (!result.Overflow) {
            value = value * 10 + (text[pos] - '0');
            if (value > std::numeric_limits<std::int32_t>::max()) result.Overflow = true;
        }
    }
    if (!result.Overflow) result.Value = static_cast<std::int32_t>(value);
    return result;
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        if (!IsContinuation(c)) ++count;
    return count;
}

// The character at pos: a whole UTF-8 sequence when one starts there, otherwise one byte.
std::string_view CharacterAt(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t size = 1;
    if (lead >= 0xF0 && lead < 0xF8)
        size = 4;
    else if (lead >= 0xE0)
        size = lead < 0xF0 ? 3 : 1;
    else if (lead >= 0xC2)
        size = 2;
    if (pos + size > text.size()) return text.substr(pos, 1);
    for (std::size_t i = 1; i < size; ++i)
        if (!IsContinuation(static_cast<unsigned char>(text[pos + i]))) return text.substr(pos, 1);
    return text.substr(pos, size);
}

// tag is the tag text as written, upper its upper-cased copy (same byte positions).
std::string RenderTag(const TFormatData& data, std::string_view tag, std::string_view upper,
                      std::uint8_t alignment) {
    std::string format;
    if (auto k = upper.find("FORMAT=\""); k != std::string_view::npos) {
        const std::size_t start = k + 8;
        const std::size_t quote = tag.find('"', start);
        format = tag.substr(start, quote == std::string_view::npos ? quote : quote - start);
    }
    const bool leadZero = upper.find("LEADZERO") != std::string_view::npos;
    const bool decimal = upper.find("DECIMAL") != std::string_view::npos;
    std::int32_t divisor = 1;
    if (auto k = upper.find("DIV="); k != std::string_view::npos) {
        const TDigits digits = ReadDigits(upper, k + 4);
        divisor = !digits.Any ? 0 : digits.Overflow ? 1 : digits.Value;
    }

    std::string value;
    if (data.FormatFunc) value = data.FormatFunc(format, leadZero, decimal, divisor);

    if (auto k = upper.find("SIZE="); k != std::string_view::npos) {
        const TDigits digits = ReadDigits(upper, k + 5);
        const std::size_t width =
            digits.Overflow ? 0 : static_cast<std::size_t>(std::min(digits.Value, MaxPadWidth));
        const std::size_t length = Utf8Length(value);
        if (length < width) {
            std::string_view pad = " ";
            // The tag text ends with '>', so a character always follows "CHAR=".
            if (auto c = upper.find("CHAR="); c != std::string_view::npos)
                pad = CharacterAt(tag, c + 5);
            std::string padding;
            padding.reserve((width - length) * pad.size());
            for (std::size_t i = length; i < width; ++i) padding += pad;
            if (alignment == 1)
                value.insert(0, padding);
            else
                value += padding;
        }
    }
    return value;
}

} // namespace

void TTagList::Add(std::string title, TFormatData data) {
    std::string opening = std::string(TagOpening) + data.Name;
    Entries_.push_back(TEntry{std::move(title), std::move(data), std::move(opening)});
}

int TTagList::IndexOf(std::string_view title) const {
    for (std::size_t i = 0; i < Entries_.size(); ++i)
        if (SameTextAscii(Entries_[i].Title, title)) return static_cast<int>(i);
    return -1;
}

const TFormatData* TTagList::Find(std::string_view title) const {
    const int index = IndexOf(title);
    return index < 0 ? nullptr : &Entries_[static_cast<std::size_t>(index)].Data;
}

TFormatter::TFormatter(TRawDataShell& rawData) : RawData(rawData) {}

void TFormatter::AddTag(std::string title, std::string_view name, std::string description,
                        std::string defaultUsage, TFormatFunc func) {
    TagList.Add(std::move(title), TFormatData{std::move(description), AsciiUpper(name),
                                              std::move(defaultUsage), std::move(func)});
}

void TFormatter::DecideIfActive(const std::string& formatString) {
    Active = false;
    const std::string upper = AsciiUpper(formatString);
    for (const auto& entry : TagList) {
        if (upper.find(entry.Opening) != std::string::npos) {
            Active = true;
            return;
        }
    }
}

std::string TFormatter::ApplyTags(std::string line) const {
    if (!Active) return line;
    std::string upper = AsciiUpper(line);
    if (upper.find(TagOpening) == std::string::npos) return line;

    for (const auto& entry : TagList) {
        // Each search goes on after the value just inserted, so a value that holds the
        // opening of its own tag is not rendered again.
        std::size_t from = 0;
        for (;;) {
            const std::size_t pos = upper.find(entry.Opening, from);
            if (pos == std::string::npos) break;
            const std::size_t close = line.find('>', pos);
            // An opening without '>' stays as text, and so does every later one.
            if (close == std::string::npos) break;
            const std::size_t length = close - pos + 1;
            const std::string value =
                RenderTag(entry.Data, std::string_view(line).substr(pos, length),
                          std::string_view(upper).substr(pos, length), Alignment);
            line.replace(pos, length, value);
            upper.replace(pos, length, AsciiUpper(value));
            from = pos + value.size();
        }
    }
    return line;
}

void TFormatter::GetTitles(std::vector<std::string>& titles) const {
    for (const auto& entry : TagList) titles.push_back(entry.Title);
}

std::string TFormatter::GetDefaultUsage(std::string_view title) const {
    const TFormatData* data = TagList.Find(title);
    return data ? data->DefaultUsage : std::string();
}

std::string TFormatter::GetDescription(std::string_view title) const {
    const TFormatData* data = TagList.Find(title);
    if (!data) return {};
    std::string text;
    for (char c : data->Description) {
        text += c;
        if (c == '.') text += "\r\n";
    }
    text += "\r\nDefault Usage String:\r\n";
    text += data->DefaultUsage;
    return text;
}

std::string AsciiUpper(std::string_view text) {
    std::string result(text);
    // Branch-free so the compiler can vectorise it; every line is upper-cased per formatter.
    for (char& c : result) {
        const auto u = static_cast<unsigned char>(c);
        c = static_cast<char>(u - (static_cast<unsigned char>(u - 'a') < 26 ? 32 : 0));
    }
    return result;
}

std::int32_t CountFields(std::string_view text, std::string_view sep) {
    if (text.empty()) return 0;
    std::int32_t count = 1;
    if (sep.empty()) return count;
    for (std::size_t i = 0; i + sep.size() <= text.size(); ++i)
        if (text.compare(i, sep.size(), sep) == 0) ++count;
    return count;
}

std::string GetField(std::string_view text, std::int32_t n, std::string_view sep) {
    if (text.empty() || n < 1 || CountFields(text, sep) < n) return {};
    if (sep.empty()) return std::string(text);
    std::size_t start = 0;
    for (std::int32_t i = 1; i < n; ++i) {
        const std::size_t p = text.find(sep, start);
        if (p == std::string_view::npos) return {}; // overlapping occurrences counted only
        start = p + sep.size();
    }
    const std::size_t end = text.find(sep, start);
    return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

std::size_t EntryIndex(std::string_view format) {
    const auto number = ParseWholeNumber(format);
    return number && *number >= 1 && *number <= 4 ? static_cast<std::size_t>(*number) : 0;
}

} // namespace keltrix
