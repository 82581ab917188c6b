#pragma once
// Performance data in the documented Windows block layout, queried by object title index the
// way RegQueryValueEx(HKEY_PERFORMANCE_DATA, "238", ...) is.

#include "platform/win_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace keltrix::platform {

struct SYSTEMTIME {
    std::uint16_t wYear;
    std::uint16_t wMonth;
    std::uint16_t wDayOfWeek;
    std::uint16_t wDay;
    std::uint16_t wHour;
    std::uint16_t wMinute;
    std::uint16_t wSecond;
    std::uint16_t wMilliseconds;
};

struct PERF_DATA_BLOCK {
    char16_t Signature[4]; // "PERF"
    std::uint32_t LittleEndian;
    std::uint32_t Version;
    std::uint32_t Revision;
    std::uint32_t TotalByteLength;
    std::uint32_t HeaderLength; // includes the system name that follows the header
    std::uint32_t NumObjectTypes;
    std::int32_t DefaultObject;
    SYSTEMTIME SystemTime; // UTC
    std::int64_t PerfTime;
    std::int64_t PerfFreq;
    std::int64_t PerfTime100nSec;
    std::uint32_t SystemNameLength; // bytes, terminating zero included
    std::uint32_t SystemNameOffset;
};

// The 64-bit layout: the title pointers are 32-bit placeholders.
struct PERF_OBJECT_TYPE {
    std::uint32_t TotalByteLength;
    std::uint32_t DefinitionLength;
    std::uint32_t HeaderLength;
    std::uint32_t ObjectNameTitleIndex;
    std::uint32_t ObjectNameTitle;
    std::uint32_t ObjectHelpTitleIndex;
    std::uint32_t ObjectHelpTitle;
    std::uint32_t DetailLevel;
    std::uint32_t NumCounters;
    std::int32_t DefaultCounter;
    std::int32_t NumInstances; // PERF_NO_INSTANCES (-1) for an object with one counter block
    std::uint32_t CodePage;
    std::int64_t PerfTime;
    std::int64_t PerfFreq;
};

struct PERF_COUNTER_DEFINITION {
    std::uint32_t ByteLength;
    std::uint32_t CounterNameTitleIndex;
    std::uint32_t CounterNameTitle;
    std::uint32_t CounterHelpTitleIndex;
    std::uint32_t CounterHelpTitle;
    std::int32_t DefaultScale;
    std::uint32_t DetailLevel;
    std::uint32_t CounterType;
    std::uint32_t CounterSize;
    std::uint32_t CounterOffset;
};

struct PERF_INSTANCE_DEFINITION {
    std::uint32_t ByteLength; // header plus padded name
    std::uint32_t ParentObjectTitleIndex;
    std::uint32_t ParentObjectInstance;
    std::int32_t UniqueID;
    std::uint32_t NameOffset;
    std::uint32_t NameLength; // bytes, terminating zero included
};

struct PERF_COUNTER_BLOCK {
    std::uint32_t ByteLength;
};

static_assert(sizeof(SYSTEMTIME) == 16);
static_assert(sizeof(PERF_DATA_BLOCK) == 88);
static_assert(offsetof(PERF_DATA_BLOCK, TotalByteLength) == 20);
static_assert(offsetof(PERF_DATA_BLOCK, HeaderLength) == 24);
static_assert(offsetof(PERF_DATA_BLOCK, NumObjectTypes) == 28);
static_assert(offsetof(PERF_DATA_BLOCK, SystemTime) == 36);
static_assert(offsetof(PERF_DATA_BLOCK, PerfTime) == 56);
static_assert(offsetof(PERF_DATA_BLOCK, PerfTime100nSec) == 72);
static_assert(offsetof(PERF_DATA_BLOCK, SystemNameOffset) == 84);
static_assert(sizeof(PERF_OBJECT_TYPE) == 64);
static_assert(offsetof(PERF_OBJECT_TYPE, NumCounters) == 32);
static_assert(offsetof(PERF_OBJECT_TYPE, NumInstances) == 40);
static_assert(offsetof(PERF_OBJECT_TYPE, PerfTime) == 48);
static_assert(offsetof(PERF_OBJECT_TYPE, PerfFreq) == 56);
static_assert(sizeof(PERF_COUNTER_DEFINITION) == 40);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterType) == 28);
static_assert(offsetof(PERF_COUNTER_DEFINITION, CounterOffset) == 36);
static_assert(sizeof(PERF_INSTANCE_DEFINITION) == 24);
static_assert(offsetof(PERF_INSTANCE_DEFINITION, NameOffset) == 16);
static_assert(sizeof(PERF_COUNTER_BLOCK) == 4);

inline constexpr std::int32_t PERF_NO_INSTANCES = -1;

// Counter types used here (winperf.h).
inline constexpr std::uint32_t PERF_COUNTER_RAWCOUNT = 0x00010000;
inline constexpr std::uint32_t PERF_100NSEC_TIMER = 0x20510500;
inline constexpr std::uint32_t PERF_100NSEC_TIMER_INV = 0x21510500;
inline constexpr std::uint32_t PERF_ELAPSED_TIME = 0x30240500;

// Title indexes of the objects and counters this source produces.
inline constexpr std::uint32_t PerfObjectSystem = 2;
inline constexpr std::uint32_t PerfObjectProcess = 230;
inline constexpr std::uint32_t PerfObjectProcessor = 238;
inline constexpr std::uint32_t PerfCounterProcessorTime = 6;
inline constexpr std::uint32_t PerfCounterProcesses = 248;
inline constexpr std::uint32_t PerfCounterThreads = 250;
inline constexpr std::uint32_t PerfCounterSystemUpTime = 674;
// The process object's "ID Process": 0 for Idle and _Total.
inline constexpr std::uint32_t PerfCounterProcessId = 784;

// One source per reader: it keeps its buffers from query to query.
class TPerfDataSource {
public:
    // root: the folder that holds proc/ ("/" for the running machine).
    explicit TPerfDataSource(std::string root = "/");
    ~TPerfDataSource();
    TPerfDataSource(const TPerfDataSource&) = delete;
    TPerfDataSource& operator=(const TPerfDataSource&) = delete;

    // valueName: the decimal title index of one object ("238", "230" or "2").
    // ERROR_SUCCESS: *size is the length of the block written to data.
    // ERROR_MORE_DATA: data (may be null) is too small; *size is the length the block had.
    // Anything else: no block; LastError() says why.
    std::uint32_t Query(std::string_view valueName, std::uint8_t* data, std::uint32_t* size);

    const std::string& LastError() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl_;
};

} // namespace keltrix::platform
