#pragma once
// Formatters turn the tags of a format string into text rendered from the sample record.

#include "platform/ascii.h"
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "measure/raw_data.h"

namespace keltrix {

// Render method of one tag: format value, lead-zero flag, decimal flag, divisor (0 when the
// tag says DIV= without digits; render methods treat it as 1).
using TFormatFunc = std::function<std::string(const std::string& format, bool leadZero,
                                              bool decimal, std::int32_t divisor)>;

struct TFormatData {
    std::string Description;
    std::string Name; // upper-cased
    std::string DefaultUsage;
    TFormatFunc FormatFunc;
};

// Titles in registration order; looked up without regard to letter case.
class TTagList {
public:
    struct TEntry {
        std::string Title;
        TFormatData Data;
        std::string Opening; // "<NAME=" + Data.Name, kept for the scans
    };

    void Add(std::string title, TFormatData data);
    // -1 when no entry has the title.
    int IndexOf(std::string_view title) const;
    const TFormatData* Find(std::string_view title) const;

    std::size_t Count() const { return Entries_.size(); }
    const TEntry& operator[](std::size_t i) const { return Entries_[i]; }
    // Titles and names are fixed once added; only the render method may be exchanged.
    void SetFormatFunc(std::size_t i, TFormatFunc func) {
        Entries_[i].Data.FormatFunc = std::move(func);
    }
    auto begin() const { return Entries_.begin(); }
    auto end() const { return Entries_.end(); }

private:
    std::vector<TEntry> Entries_;
};

class TFormatter {
public:
    explicit TFormatter(TRawDataShell& rawData);
    virtual ~TFormatter() = default;
    // Render methods are bound to this object.
    TFormatter(const TFormatter&) = delete;
    TFormatter& operator=(const TFormatter&) = delete;

    // Whether formatString holds one of this formatter's tags.
    virtual void DecideIfActive(const std::string& formatString);
    std::string ApplyTags(std::string line) const;

    void GetTitles(std::vector<std::string>& titles) const;
    std::string GetDefaultUsage(std::string_view title) const;
    std::string GetDescription(std::string_view title) const;

    bool Active = false;
    TTagList TagList;
    TRawDataShell& RawData;
    std::uint8_t Alignment = 0; // 0 left, 1 right, 2 centre

protected:
    void AddTag(std::string title, std::string_view name, std::string description,
                std::string defaultUsage, TFormatFunc func);

    template <class TSelf>
    void AddTag(std::string title, std::string_view name, std::string description,
                std::string defaultUsage,
                std::string (TSelf::*method)(const std::string&, bool, bool, std::int32_t)) {
        auto* self = static_cast<TSelf*>(this);
        AddTag(std::move(title), name, std::move(description), std::move(defaultUsage),
               [self, method](const std::string& format, bool leadZero, bool decimal,
                              std::int32_t divisor) {
                   return (self->*method)(format, leadZero, decimal, divisor);
               });
    }

    const TRawData& Record() const { return RawData.Data(); }
};

// Upper-cases a to z only, so every other byte (UTF-8 included) keeps its place and value.
std::string AsciiUpper(std::string_view text);

// Fields between occurrences of sep, numbered from 1. An empty separator never occurs.
std::int32_t CountFields(std::string_view text, std::string_view sep);
std::string GetField(std::string_view text, std::int32_t n, std::string_view sep);

// DIV= without digits or DIV=0 divides by 1.
inline std::int32_t EffectiveDivisor(std::int32_t divisor) {
    return divisor == 0 ? 1 : divisor;
}

// The array entry a FORMAT value picks: 1 to 4 select that entry, anything else (ALL) entry 0.
std::size_t EntryIndex(std::string_view format);

} // namespace keltrix
