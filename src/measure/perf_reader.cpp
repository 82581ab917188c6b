#include "measure/perf_reader.h"

#include "measure/comma_text.h"
#include "platform/perf_walk.h"

#include "base/smartlog.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace keltrix {
namespace {

using namespace platform;

constexpr std::int32_t InitialSizeHint = 1024;
constexpr std::uint32_t SizeStep = 1024;
// A source that keeps asking for more than this is broken, not busy.
constexpr std::uint32_t LargestSnapshot = 256u << 20;

// UTF-16 instance names as the program's UTF-8; a lone surrogate becomes U+FFFD.
void Utf16ToUtf8(std::u16string_view in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        char32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
}

// The idle counter against the accounting clock: a counter that runs ahead of the clock (or
// an iowait figure that steps back) must not read as negative or above full load.
float Usage(std::uint64_t current, std::uint64_t previous, std::int64_t span) {
    const auto idle = static_cast<long double>(static_cast<std::int64_t>(current - previous));
    const long double usage = (1.0L - idle / static_cast<long double>(span)) * 100.0L;
    return static_cast<float>(std::clamp(usage, 0.0L, 100.0L));
}

// Two's-complement difference: counters and clocks from outside must not overflow the
// arithmetic, whatever they hold.
std::int64_t Difference(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

char16_t AsciiUpper16(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

void AsciiUpper16(std::u16string_view text, std::u16string& upper) {
    upper.assign(text);
    for (char16_t& c : upper) c = AsciiUpper16(c);
}

// A share of the whole machine: 100 is every processor busy for the whole span.
constexpr float FullShare = 100.0f;

std::int16_t Count16(std::uint32_t value) {
    return static_cast<std::int16_t>(std::min<std::uint32_t>(value, 32767));
}

} // namespace

TPerfDataReader::TPerfDataReader(std::string root) : Source_(std::move(root)) {
    ResetSizeHints();
}

void TPerfDataReader::ResetSizeHints() {
    SizeHints_.fill(InitialSizeHint);
}

void TPerfDataReader::ClearProcessHistory() {
    History_.clear();
}

std::int32_t TPerfDataReader::SizeHint(std::string_view valueName) const {
    if (valueName == "238") return SizeHints_[HintProcessor];
    if (valueName == "230") return SizeHints_[HintProcess];
    if (valueName == "2") return SizeHints_[HintSystem];
    return 0;
}

std::size_t TPerfDataReader::ProcessHistoryCount() const {
    return History_.size();
}

void TPerfDataReader::SetExclude(std::string_view text) {
    LogAdd("SetExclude");
    ExcludeText_.assign(text);
    ExcludeList_ = SplitCommaText(text);
    ExcludeUpper_.clear();
    for (const std::string& entry : ExcludeList_) {
        std::string upper(TrimBlanks(entry));
        AsciiUpperInPlace(upper);
        ExcludeUpper_.push_back(std::move(upper));
    }
}

std::span<const std::uint8_t> TPerfDataReader::Query(THint hint, std::string_view valueName) {
    Problem_.clear();
    std::int32_t& sizeHint = SizeHints_[hint];
    std::vector<std::uint8_t>& buffer = Buffers_[hint];
    auto size = static_cast<std::uint32_t>(std::max(sizeHint, std::int32_t{0}));
    if (buffer.size() < size) buffer.resize(size);
    std::uint32_t rc = Source_.Query(valueName, buffer.data(), &size);
    while (rc == ERROR_MORE_DATA) {
        if (size > LargestSnapshot) {
            Problem_ = "performance object " + std::string(valueName) + " keeps growing";
            return {};
        }
        size += SizeStep;
        if (buffer.size() < size) buffer.resize(size);
        if (size > static_cast<std::uint32_t>(sizeHint)) sizeHint = static_cast<std::int32_t>(size);
        rc = Source_.Query(valueName, buffer.data(), &size);
    }
    if (rc != ERROR_SUCCESS) {
        Problem_ = Source_.LastError();
        return {};
    }
    return {buffer.data(), size};
}

void TPerfDataReader::ProcessorBlock(TRawData& data) {
    const auto bytes = Query(HintProcessor, "238");
    const TPerfBlock block(bytes.data(), bytes.size());
    if (!block.Valid()) {
        if (Problem_.empty()) Problem_ = "processor snapshot is malformed";
        return;
    }
    PerfTimePrev_ = PerfTimeNow_;
    PerfTimeNow_ = block.Header().PerfTime100nSec;
    const std::int64_t span = Difference(PerfTimeNow_, PerfTimePrev_);

    const auto object = block.FirstObject();
    if (!object) return;
    const auto counter = block.FindCounter(*object, PerfCounterProcessorTime);
    if (!counter) return;
    std::size_t nextSlot = 1;
    for (auto instance = block.FirstInstance(*object); instance;
         instance = block.NextInstance(*object, *instance)) {
        if (!block.InstanceName(*instance, Name16_)) continue;
        const bool total = Name16_.starts_with(u"_Total");
        if (!total && nextSlot >= Cpus_.size()) continue;
        const std::size_t slot = total ? 0 : nextSlot++;
        const auto value = block.InstanceValue64(*instance, *counter);
        if (!value) continue;
        TCpuHistory& history = Cpus_[slot];
        history.Previous = history.Current;
        history.Current = *value;
        // Two snapshots of the same moment: the previous figures stay.
        if (span == 0) continue;
        data.ProcUsage[slot] = Usage(history.Current, history.Previous, span);
        if (total) ProcessorCount_ = object->Header.NumInstances - 1;
    }
}

const TPerfDataReader::THistoryEntry* TPerfDataReader::FindHistory(std::uint32_t id) const {
    const auto it = std::lower_bound(History_.begin(), History_.end(), Probe_);
    if (it == History_.end() || it->Id != id || it->UpperName != Probe_.UpperName) return nullptr;
    return &*it;
}

void TPerfDataReader::ProcessBlock(TRawData& data) {
    std::int64_t span = 0;
    if (__builtin_mul_overflow(Difference(PerfTimeNow_, PerfTimePrev_), ProcessorCount_, &span))
        span = 0;
    if (span == 0) return;
    const auto bytes = Query(HintProcess, "230");
    const TPerfBlock block(bytes.data(), bytes.size());
    if (!block.Valid()) {
        if (Problem_.empty()) Problem_ = "process snapshot is malformed";
        return;
    }
    // The history may be older than the previous processor snapshot when a sample had no span.
    std::int64_t historySpan = 0;
    if (History_.empty() || __builtin_mul_overflow(Difference(PerfTimeNow_, HistoryTime_),
                                                   ProcessorCount_, &historySpan))
        historySpan = 0;
    TopKey_.clear();
    std::uint8_t topPercent = 0;
    bool subtracted = false;
    std::size_t kept = 0; // entries of NextHistory_ in use; the rest keep their capacity
    const auto object = block.FirstObject();
    const auto counter = object ? block.FirstCounter(*object) : std::nullopt;
    const auto idCounter =
        counter ? block.FindCounter(*object, PerfCounterProcessId) : std::nullopt;
    for (auto instance = counter ? block.FirstInstance(*object) : std::nullopt; instance;
         instance = block.NextInstance(*object, *instance)) {
        const auto value = block.InstanceValue64(*instance, *counter);
        if (!value || !block.InstanceName(*instance, Name16_)) continue;
        const std::size_t position = instance->Index;
        const auto id = idCounter ? block.InstanceValue32(*instance, *idCounter) : std::nullopt;
        Probe_.Id = id ? *id : static_cast<std::uint32_t>(position);
        AsciiUpper16(Name16_, Probe_.UpperName);
        const THistoryEntry* stored = historySpan > 0 ? FindHistory(Probe_.Id) : nullptr;
        // Without a previous value of this process the share is negative: never top.
        const std::uint64_t previous =
            stored ? static_cast<std::uint64_t>(stored->Value) : *value + 1;
        const double share = static_cast<double>(static_cast<std::int64_t>(*value - previous)) /
                             static_cast<double>(stored ? historySpan : span) * 100.0;
        // Counters and clock are read a moment apart: a busy machine can read a hair above.
        const auto percent = std::min(static_cast<float>(share), FullShare);
        if (kept == NextHistory_.size()) NextHistory_.emplace_back();
        THistoryEntry& next = NextHistory_[kept++];
        next.Id = Probe_.Id;
        next.UpperName = Probe_.UpperName;
        next.Value = static_cast<std::int64_t>(*value);

        // Most processes sat idle since the previous sample: their key is never needed.
        const bool exclude = !ExcludeUpper_.empty() && percent > 0;
        if (!(percent > topPercent) && !exclude) continue;
        Utf16ToUtf8(Name16_, Name_);
        Key_ = '(';
        char digits[24];
        Key_.append(digits, std::to_chars(digits, digits + sizeof digits, position).ptr);
        Key_ += ')';
        Key_ += Name_;
        // Compared with the stored whole number, so a later 10.2 beats a stored 10.4.
        if (percent > topPercent && Key_.find("_Total") == std::string::npos &&
            Key_.find("Idle") == std::string::npos) {
            TopKey_ = Key_;
            topPercent = static_cast<std::uint8_t>(
                std::clamp(std::nearbyint(static_cast<double>(percent)), 0.0, 255.0));
        }
        if (!exclude) continue;
        UpperKey_ = Key_;
        AsciiUpperInPlace(UpperKey_);
        for (const std::string& entry : ExcludeUpper_) {
            if (entry.empty() || UpperKey_.find(entry) == std::string::npos) continue;
            data.ProcUsage[0] -= percent;
            subtracted = true;
        }
    }
    NextHistory_.resize(kept);
    std::sort(NextHistory_.begin(), NextHistory_.end());
    History_.swap(NextHistory_);
    HistoryTime_ = PerfTimeNow_;
    if (subtracted) data.ProcUsage[0] = std::max(data.ProcUsage[0], 0.0f);
    data.TopProcPercent = topPercent;
    data.TopProcName.Set(TopKey_);
}

void TPerfDataReader::UptimeBlock(TRawData& data) {
    const auto bytes = Query(HintSystem, "2");
    const TPerfBlock block(bytes.data(), bytes.size());
    if (!block.Valid()) {
        if (Problem_.empty()) Problem_ = "system snapshot is malformed";
        return;
    }
    for (auto object = block.FirstObject(); object; object = block.NextObject(*object)) {
        if (object->Header.NumInstances >= 1 ||
            object->Header.ObjectNameTitleIndex != PerfObjectSystem)
            continue;
        const auto counterBlock = block.ObjectCounterBlock(*object);
        if (!counterBlock) continue;
        for (auto counter = block.FirstCounter(*object); counter;
             counter = block.NextCounter(*object, *counter)) {
            const std::uint32_t index = counter->Definition.CounterNameTitleIndex;
            if (index == PerfCounterProcesses) {
                if (const auto v = block.Value32(*counterBlock, *counter))
                    data.Processes = Count16(*v);
            } else if (index == PerfCounterThreads) {
                if (const auto v = block.Value32(*counterBlock, *counter))
                    data.Threads = Count16(*v);
                break;
            } else if (index == PerfCounterSystemUpTime) {
                const auto v = block.Value64(*counterBlock, *counter);
                const std::int64_t freq = object->Header.PerfFreq;
                if (!v || freq == 0) continue;
                const std::int64_t elapsed =
                    Difference(object->Header.PerfTime, static_cast<std::int64_t>(*v));
                // INT64_MIN / -1 is the one quotient that does not fit.
                if (freq == -1 && elapsed == std::numeric_limits<std::int64_t>::min()) continue;
                data.Uptime = elapsed / freq;
            }
        }
    }
}

} // namespace keltrix
