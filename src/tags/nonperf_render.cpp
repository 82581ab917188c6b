// Rendering of the system tags: addresses, names, date and time, drive space, processor type
// and lines of text files.

#include "base/errors.h"
#include "measure/codepage.h"
#include "tags/date_time_format.h"
#include "tags/file_line.h"
#include "tags/nonperf_format.h"
#include "tags/number_format.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace keltrix {

namespace {

constexpr int DriveSlots = 16;
// Words asked for beyond the end of a line become blanks; this many at most.
constexpr std::int64_t MaxMissingWords = 4096;

std::int32_t StrToInt(std::string_view text) {
    if (const auto value = ParseWholeNumber(text)) return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte offset of character index chars (from 0) of UTF-8 text; the size when beyond.
std::size_t ByteOffset(std::string_view text, std::size_t chars) {
    std::size_t i = 0;
    for (; i < text.size() && chars > 0; --chars) {
        ++i;
        while (i < text.size() && IsContinuation(text[i])) ++i;
    }
    return i;
}

// count characters from character index first (from 0).
std::string_view Characters(std::string_view text, std::size_t first, std::size_t count) {
    text.remove_prefix(ByteOffset(text, first));
    return text.substr(0, ByteOffset(text, count));
}

// Words 1..k of text split at single blanks, each followed by a blank, the last blank dropped;
// a count of 1 or less is the first word alone.
std::string Words(std::string_view text, std::int32_t count) {
    std::vector<std::string_view> words;
    for (std::size_t start = 0;;) {
        const std::size_t blank = text.find(' ', start);
        words.push_back(
            text.substr(start, blank == std::string_view::npos ? blank : blank - start));
        if (blank == std::string_view::npos) break;
        start = blank + 1;
    }
    if (count <= 1) return std::string(words.front());
    const std::int64_t wanted =
        std::min<std::int64_t>(count, static_cast<std::int64_t>(words.size()) + MaxMissingWords);
    std::string out;
    for (std::int64_t i = 0; i < wanted; ++i) {
        if (i < static_cast<std::int64_t>(words.size())) out += words[static_cast<std::size_t>(i)];
        out += ' ';
    }
    out.pop_back();
    return out;
}

// What the part after the file name asks for.
struct TLineSpec {
    int Parts = 1;
    std::int32_t Line = 1;
    std::int32_t Column = 1;
    bool ByWords = false;
    std::int32_t Count = 0; // length, or number of words
};

TLineSpec ReadLineSpec(std::string_view definition) {
    TLineSpec spec;
    spec.Parts = CountFields(definition, ",");
    if (spec.Parts <= 1) {
        spec.Parts = 1;
        spec.Line = ParseWholeNumber(Trim(Characters(definition, 0, 10))).value_or(1);
        return spec;
    }
    spec.Line = StrToInt(GetField(definition, 1, ","));
    spec.Column = StrToInt(GetField(definition, 2, ","));
    if (spec.Parts == 2) return spec;
    // Parts beyond the fourth are ignored.
    spec.Parts = 3;
    const std::string fourth = GetField(definition, 3, ",");
    spec.ByWords = !fourth.empty() && (fourth[0] == 'S' || fourth[0] == 's');
    if (spec.ByWords)
        spec.Count = fourth.size() == 1 ? 1 : StrToInt(std::string_view(fourth).substr(1));
    else
        spec.Count = StrToInt(fourth);
    return spec;
}

std::string Cut(std::string_view line, const TLineSpec& spec) {
    if (spec.Parts == 1) return std::string(line);
    const auto from = static_cast<std::size_t>(std::max(spec.Column, 1) - 1);
    const std::string_view rest = Characters(line, from, std::string_view::npos);
    if (spec.Parts == 2) return std::string(rest);
    if (spec.ByWords) return Words(rest, spec.Count);
    if (spec.Count == 0) return std::string(rest);
    if (spec.Count < 0) return {};
    if (spec.Column <= -1) return std::string(line);
    return std::string(Characters(rest, 0, static_cast<std::size_t>(spec.Count)));
}

// The record keeps drive letters as single Windows-1252 characters.
char DriveLetter(std::string_view upper) {
    const auto lead = static_cast<unsigned char>(upper[0]);
    if (lead < 0x80) return upper[0];
    const std::string ansi = Utf8ToAnsi(upper.substr(0, ByteOffset(upper, 1)));
    return ansi.empty() ? upper[0] : ansi[0];
}

} // namespace

std::string TNonPerfFormat::IPAddrFunc(const std::string& format, bool leadZero, bool,
                                       std::int32_t) {
    const std::string separator = format.empty() ? ", " : format;
    const auto octet = [leadZero](std::uint8_t value) {
        return leadZero ? FormatIntWidth(value, 3) : FormatInt(value);
    };
    std::string out;
    for (int slot = 0; slot < 4; ++slot) {
        const std::uint8_t* address = Record().IPAddr[slot];
        if (address[0] == 0) continue;
        // Written before slots 2 to 4 even when an earlier slot was empty.
        if (slot > 0) out += separator;
        out += octet(address[0]) + "." + octet(address[1]) + "." + octet(address[2]) + "." +
               octet(address[3]);
    }
    return out;
}

std::string TNonPerfFormat::CompNameFunc(const std::string&, bool, bool, std::int32_t) {
    return Record().CompName.Get();
}

std::string TNonPerfFormat::UserNameFunc(const std::string&, bool, bool, std::int32_t) {
    return Record().UserName.Get();
}

std::string TNonPerfFormat::DateTimeFunc(const std::string& format, bool, bool, std::int32_t) {
    return FormatDateTime(format, Record().DateTime, DateLocale());
}

std::string TNonPerfFormat::BlankFunc(const std::string&, bool, bool, std::int32_t) {
    return {};
}

std::string TNonPerfFormat::DriveSpaceFunc(const std::string& format, bool, bool decimal,
                                           std::int32_t divisor) {
    if (format.empty()) return {};
    const std::string upper = AsciiUpper(format);
    const char letter = upper.find("ALL") != std::string::npos ? '0' : DriveLetter(upper);

    TRawData& data = RawData.Data();
    int slot = letter == '0' ? 0 : -1;
    for (int i = 0; slot < 0 && i <= DriveSlots; ++i)
        if (data.Drives[i].Letter == letter) slot = i;
    if (slot < 0) {
        // The sampling cycle measures the drive from its next drive sample on; a seventeenth
        // letter finds no room and is never measured.
        for (int i = 1; i <= DriveSlots; ++i) {
            if (data.Drives[i].Letter != 0) continue;
            data.Drives[i].Letter = letter;
            break;
        }
        return {};
    }

    const TDriveEntry& drive = data.Drives[slot];
    double megabytes = 0;
    if (upper.find("FREE") != std::string::npos)
        megabytes = drive.FreeMB;
    else if (upper.find("TOTAL") != std::string::npos)
        megabytes = drive.TotalMB;
    else
        return {};
    return FormatFloatThousands(megabytes / EffectiveDivisor(divisor), decimal);
}

std::string TNonPerfFormat::ProcTypeFunc(const std::string&, bool, bool, std::int32_t) {
    return Record().ProcType.Get();
}

std::string TNonPerfFormat::FileDataFunc(const std::string& format, bool, bool,
                                         std::int32_t divisor) {
    const std::size_t comma = format.find(',');
    const std::string_view spec = comma == std::string::npos
                                      ? std::string_view(format)
                                      : std::string_view(format).substr(comma + 1);
    if (spec.empty()) return "ERROR - Line definition is missing";
    // Conversion errors in the definition reach the general error handler.
    const TLineSpec lineSpec = ReadLineSpec(spec);

    const auto line = ReadFileLine(format.substr(0, comma), lineSpec.Line);
    if (!line) return {};
    // Each line on its own: UTF-8 when it is valid, Windows-1252 otherwise.
    std::string value = Cut(FileTextToUtf8(*line), lineSpec);
    divisor = EffectiveDivisor(divisor);
    if (divisor > 1) {
        const auto number = ParseWholeNumber(value);
        if (!number) return "Illegal Division";
        value = FormatInt(*number / divisor);
    }
    return value;
}

} // namespace keltrix
