#pragma once
// The processor, process and uptime blocks of a sample: performance-data snapshots walked into
// the record, with the history each needs from the previous sample.

#include "measure/raw_data.h"
#include "platform/perf_data.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

class TPerfDataReader {
public:
    // root: the folder that holds proc/ ("/" for the running machine).
    explicit TPerfDataReader(std::string root = "/");

    // A new sample: the processor count of the previous one no longer counts.
    void BeginSample() { ProcessorCount_ = 0; }
    // Every fiftieth sample, so a momentarily large snapshot does not keep its buffer large.
    void ResetSizeHints();
    void ClearProcessHistory();

    void ProcessorBlock(TRawData& data);
    // Needs the time span of a processor block in the same sample; does nothing without it.
    void ProcessBlock(TRawData& data);
    void UptimeBlock(TRawData& data);

    // The Exclude setting as a comma text.
    void SetExclude(std::string_view text);
    const std::string& ExcludeText() const { return ExcludeText_; }
    const std::vector<std::string>& ExcludeList() const { return ExcludeList_; }

    // Starting buffer size of the next query of "238", "230" or "2".
    std::int32_t SizeHint(std::string_view valueName) const;
    std::size_t ProcessHistoryCount() const;
    // Why the latest query or walk gave nothing; empty when it went well.
    const std::string& LastProblem() const { return Problem_; }

private:
    enum THint { HintProcessor, HintProcess, HintSystem, HintCount = 5 };

    struct TCpuHistory {
        std::uint64_t Current = 0;
        std::uint64_t Previous = 0;
    };
    // The previous counter of one process: its id (the list position when the snapshot has
    // no ids) and its name, so that a value is only compared with the same process.
    struct THistoryEntry {
        std::uint32_t Id = 0;
        std::u16string UpperName; // as the snapshot spells it, a to z upper-cased
        std::int64_t Value = 0;
        bool operator<(const THistoryEntry& other) const {
            return Id != other.Id ? Id < other.Id : UpperName < other.UpperName;
        }
    };

    // The first size bytes of a snapshot, or nothing when the source has none.
    std::span<const std::uint8_t> Query(THint hint, std::string_view valueName);
    const THistoryEntry* FindHistory(std::uint32_t id) const;

    platform::TPerfDataSource Source_;
    std::array<std::int32_t, HintCount> SizeHints_{};
    std::array<std::vector<std::uint8_t>, HintCount> Buffers_;
    std::string Problem_;

    std::int64_t PerfTimeNow_ = 0;
    std::int64_t PerfTimePrev_ = 0;
    std::array<TCpuHistory, 5> Cpus_{}; // [0] "_Total", [1..4] the first four processors
    std::int32_t ProcessorCount_ = 0;

    // The processes of the latest process snapshot, sorted, and the processor clock it was
    // taken at: a process is measured over its own span, also after a sample without one.
    std::vector<THistoryEntry> History_, NextHistory_;
    std::int64_t HistoryTime_ = 0;
    std::string ExcludeText_;
    std::vector<std::string> ExcludeList_;
    std::vector<std::string> ExcludeUpper_; // trimmed and upper-cased, for the matching

    // Reused from sample to sample.
    std::u16string Name16_;
    THistoryEntry Probe_;
    std::string Name_, Key_, UpperKey_, TopKey_;
};

} // namespace keltrix
