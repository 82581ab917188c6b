#pragma once
// The network block of a sample: receive and send rates and totals of the counted interfaces
// from 32-bit octet counters that wrap.

#include "measure/raw_data.h"
#include "platform/if_table.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

class TNetCounters {
public:
    // root: the folder that holds proc/ and sys/ ("/" for the running machine).
    explicit TNetCounters(std::string root = "/");

    // false: the table could not even be sized, and the whole sample ends here.
    // intervalMs: the main timer's interval, to which the rates are scaled.
    bool NetworkBlock(TRawData& data, std::uint32_t intervalMs);

    // dest := growth of the total since the previous sample, per second of the timer interval.
    void SetRate(float& dest, bool sameCount, float wrap, float previousSum, float currentKB) const;
    // The slot's total, with a wrap correction when the counter fell by more than 100 KB.
    void NewSumVal(TRawData& data, bool isRead, int slot, bool sameCount, float currentKB);

    // KB added to each slot's counter for the wraps seen so far.
    std::int64_t ReadWrap(int slot) const { return ReadWrap_[slot]; }
    std::int64_t WriteWrap(int slot) const { return WriteWrap_[slot]; }
    const std::string& LastProblem() const { return Problem_; }
    // The NetInterfaces setting ("eth0;wlan0"); empty: the interfaces' own rule.
    void SetCountedInterfaces(std::string_view names) {
        Source_.SetCountedInterfaces(platform::ParseInterfaceList(names));
    }
    // The interfaces of slots 1 to 4 at the last network block (fewer when fewer count).
    const std::vector<std::string>& SlotNames() const { return SlotNames_; }

private:
    void Slot(TRawData& data, int slot, bool sameCount, float in, float out);
    // The correction NewSumVal would make, made before the rate is taken.
    void NoteWrap(std::int64_t& wrap, float total, bool sameCount, float currentKB) const;

    platform::TIfTableSource Source_;
    std::uint32_t Interval_ = 1000;
    std::array<std::int64_t, 5> ReadWrap_{};
    std::array<std::int64_t, 5> WriteWrap_{};
    std::int16_t PreviousRows_ = 0;
    std::uint32_t PreviousCounted_ = 0;
    std::vector<std::uint32_t> Buffer_; // the table, 4-byte aligned
    std::string Problem_;
    std::vector<std::string> SlotNames_;
};

} // namespace keltrix
