#pragma once
// The advanced log ("-advdebug"): operations write their own name as they start.

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

class TSmartLog {
public:
    explicit TSmartLog(std::string_view applicationTitle);
    ~TSmartLog(); // saves when SaveOnDestroy

    void Add(std::string_view text);
    // Writes Lines to FileName, each followed by CR LF; throws EInOutError when it cannot.
    void Save();

    void SetMaxLines(std::int32_t value);
    void SetTimeStamps(bool value);
    void SetFileName(std::string value);
    void SetSaveOnDestroy(bool value);

    std::vector<std::string> Lines() const;

private:
    // Add and Save come from the UI thread and the loader and re-add threads.
    mutable std::mutex Lock_;
    std::int32_t MaxLines_ = 0;
    bool TimeStamps_ = false;
    std::string FileName_;
    bool SaveOnDestroy_ = false;
    // Dropping the oldest entry (index 2) moves only the two header lines.
    std::deque<std::string> Lines_;
};

namespace smartlog {
// The process-wide log, or nullptr while "-advdebug" is off.
extern std::atomic<TSmartLog*> Current;
void Install(TSmartLog* log);
} // namespace smartlog

// One cheap call at the start of each logged operation; does nothing while the log is off.
inline void LogAdd(std::string_view entry) {
    if (TSmartLog* log = smartlog::Current.load(std::memory_order_acquire)) log->Add(entry);
}

} // namespace keltrix
