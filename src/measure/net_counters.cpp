#include "measure/net_counters.h"

#include "base/smartlog.h"

#include <algorithm>

namespace keltrix {
namespace {

using namespace platform;

// One less than 2^32 / 1024: what a wrap of a 32-bit octet counter takes away, in KB.
constexpr std::int64_t WrapKB = 0x3FFFFF;
// A smaller fall is taken for a reset or jitter of the counter, not for a wrap.
constexpr double WrapThresholdKB = 100.0;

bool IsCounted(const MIB_IFROW& row) {
    return row.dwType != IF_TYPE_SOFTWARE_LOOPBACK && row.dwType != IF_TYPE_OTHER;
}

} // namespace

TNetCounters::TNetCounters(std::string root) : Source_(std::move(root)) {}

void TNetCounters::SetRate(float& dest, bool, float wrap, float previousSum,
                           float currentKB) const {
    LogAdd("SetRate");
    double rate = static_cast<double>(currentKB) + static_cast<double>(wrap) -
                  static_cast<double>(previousSum);
    if (Interval_ != 1000 && Interval_ != 0) rate *= 1000.0 / Interval_;
    dest = static_cast<float>(rate);
}

void TNetCounters::NoteWrap(std::int64_t& wrap, float total, bool sameCount,
                            float currentKB) const {
    if (sameCount && static_cast<double>(wrap) + currentKB + WrapThresholdKB < total)
        wrap += WrapKB;
}

void TNetCounters::NewSumVal(TRawData& data, bool isRead, int slot, bool sameCount,
                             float currentKB) {
    LogAdd("NewSumVal");
    std::int64_t& wrap = isRead ? ReadWrap_[slot] : WriteWrap_[slot];
    float& total = isRead ? data.NetReadSum[slot] : data.NetWriteSum[slot];
    NoteWrap(wrap, total, sameCount, currentKB);
    total = static_cast<float>(static_cast<double>(wrap) + currentKB);
}

void TNetCounters::Slot(TRawData& data, int slot, bool sameCount, float in, float out) {
    // Corrected first, so the sample that sees a wrap shows the true growth rather than a
    // fall of four million KB.
    NoteWrap(ReadWrap_[slot], data.NetReadSum[slot], sameCount, in);
    NoteWrap(WriteWrap_[slot], data.NetWriteSum[slot], sameCount, out);
    SetRate(data.NetRead[slot], sameCount, static_cast<float>(ReadWrap_[slot]),
            data.NetReadSum[slot], in);
    SetRate(data.NetWrite[slot], sameCount, static_cast<float>(WriteWrap_[slot]),
            data.NetWriteSum[slot], out);
    NewSumVal(data, true, slot, sameCount, in);
    NewSumVal(data, false, slot, sameCount, out);
}

bool TNetCounters::NetworkBlock(TRawData& data, std::uint32_t intervalMs) {
    Problem_.clear();
    Interval_ = intervalMs;
    // The table of the previous sample is offered first: it either fits, or the answer is the
    // size the size query would have given. Sizing and reading the table cost a whole pass
    // over /proc/net/dev and sysfs each, so the common case takes one pass instead of two.
    std::fill(Buffer_.begin(), Buffer_.end(), 0);
    auto size = static_cast<std::uint32_t>(Buffer_.size() * sizeof(std::uint32_t));
    auto* table = Buffer_.empty() ? nullptr : reinterpret_cast<MIB_IFTABLE*>(Buffer_.data());
    std::uint32_t rc = Source_.GetIfTable(table, &size, true);
    if (rc == ERROR_INSUFFICIENT_BUFFER) {
        Buffer_.assign((size + sizeof(std::uint32_t) - 1) / sizeof(std::uint32_t), 0);
        table = reinterpret_cast<MIB_IFTABLE*>(Buffer_.data());
        rc = size < IfTableSize(0) ? ERROR_INSUFFICIENT_BUFFER
                                   : Source_.GetIfTable(table, &size, true);
        if (rc != ERROR_SUCCESS) {
            Problem_ = Source_.LastError();
            return true;
        }
    } else if (rc != ERROR_SUCCESS) {
        Problem_ = Source_.LastError();
        return false;
    }
    // Never trust the count beyond the bytes the table was given.
    const std::uint32_t rows = std::min<std::uint32_t>(
        table->dwNumEntries,
        static_cast<std::uint32_t>((size - IfTableSize(0)) / sizeof(MIB_IFROW)));
    // A tunnel that comes up changes which interface a slot stands for without changing the
    // number of rows: a change of the counted rows, too, is no time to look for wraps.
    std::uint32_t counted = 0;
    for (std::uint32_t i = 0; i < rows; ++i) counted += IsCounted(IfTableRows(table)[i]) ? 1 : 0;
    const bool sameCount =
        static_cast<std::int16_t>(rows) == PreviousRows_ && counted == PreviousCounted_;
    PreviousRows_ = static_cast<std::int16_t>(rows);
    PreviousCounted_ = counted;

    std::uint64_t inBytes = 0, outBytes = 0;
    int next = 1;
    SlotNames_.clear();
    const MIB_IFROW* row = IfTableRows(table);
    for (std::uint32_t i = 0; i < rows; ++i, ++row) {
        if (!IsCounted(*row)) continue;
        if (next <= 4) {
            const std::size_t length = std::min<std::size_t>(row->dwDescrLen, sizeof row->bDescr);
            std::string name(reinterpret_cast<const char*>(row->bDescr), length);
            name.resize(std::min(name.find('\0'), name.size()));
            SlotNames_.push_back(std::move(name));
            Slot(data, next, sameCount, static_cast<float>(row->dwInOctets / 1024.0),
                 static_cast<float>(row->dwOutOctets / 1024.0));
        }
        ++next;
        inBytes += row->dwInOctets;
        outBytes += row->dwOutOctets;
    }
    Slot(data, 0, sameCount, static_cast<float>(inBytes / 1024.0),
         static_cast<float>(outBytes / 1024.0));
    return true;
}

} // namespace keltrix
