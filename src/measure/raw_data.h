#pragma once
// The raw sample record: 512 bytes, little-endian, the wire format between instances.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>

namespace keltrix {

inline constexpr int KeltrixVersion = 1002;
inline constexpr std::uint8_t RecordMarker = KeltrixVersion & 0xFF; // 234
inline constexpr std::size_t RecordSize = 512;

// Length-prefixed text of N characters in Windows-1252; the program itself speaks UTF-8.
template <std::size_t N> struct TShortString {
    std::uint8_t Length;
    char Chars[N];

    // Cut to N characters (after conversion to the record's code page).
    void Set(std::string_view utf8);
    std::string Get() const; // UTF-8
    bool Empty() const { return Length == 0; }
};
using string15 = TShortString<15>;
using string4 = TShortString<4>;

struct TDriveEntry {
    char Letter;
    std::uint8_t Pad[3];
    float TotalMB;
    float FreeMB;
};

struct TSystemPowerStatus {
    std::uint8_t ACLineStatus;
    std::uint8_t BatteryFlag;
    std::uint8_t BatteryLifePercent;
    std::uint8_t Reserved1;
    std::uint32_t BatteryLifeTime;
    std::uint32_t BatteryFullLifeTime;
};

struct TRawData {
    std::uint8_t Marker;
    std::uint8_t Pad1[3];
    TDriveEntry Drives[17];
    float ProcUsage[5];
    float NetRead[5];
    float NetWrite[5];
    float NetReadSum[5];
    float NetWriteSum[5];
    std::uint32_t PageFree;
    std::uint32_t PageTotal;
    std::uint32_t RAMFree;
    std::uint32_t RAMTotal;
    std::uint8_t Pad2[4];
    std::int64_t Uptime;
    std::int16_t Threads;
    std::int16_t Processes;
    std::uint8_t Pad3[4];
    double DateTime;
    std::uint8_t IPAddr[4][4];
    string15 CompName;
    string15 UserName;
    std::int32_t Temp[9];
    std::int32_t Fan[9];
    TSystemPowerStatus Power;
    string15 TopProcName;
    std::uint8_t TopProcPercent;
    string4 ProcType;
    std::uint8_t Unused[6];
};

// The in-memory record must be the wire image byte for byte.
static_assert(sizeof(string15) == 16 && sizeof(string4) == 5);
static_assert(sizeof(TDriveEntry) == 12 && sizeof(TSystemPowerStatus) == 12);
static_assert(offsetof(TRawData, Marker) == 0);
static_assert(offsetof(TRawData, Drives) == 4);
static_assert(offsetof(TRawData, ProcUsage) == 208);
static_assert(offsetof(TRawData, NetRead) == 228);
static_assert(offsetof(TRawData, NetWrite) == 248);
static_assert(offsetof(TRawData, NetReadSum) == 268);
static_assert(offsetof(TRawData, NetWriteSum) == 288);
static_assert(offsetof(TRawData, PageFree) == 308);
static_assert(offsetof(TRawData, PageTotal) == 312);
static_assert(offsetof(TRawData, RAMFree) == 316);
static_assert(offsetof(TRawData, RAMTotal) == 320);
static_assert(offsetof(TRawData, Uptime) == 328);
static_assert(offsetof(TRawData, Threads) == 336);
static_assert(offsetof(TRawData, Processes) == 338);
static_assert(offsetof(TRawData, DateTime) == 344);
static_assert(offsetof(TRawData, IPAddr) == 352);
static_assert(offsetof(TRawData, CompName) == 368);
static_assert(offsetof(TRawData, UserName) == 384);
static_assert(offsetof(TRawData, Temp) == 400);
static_assert(offsetof(TRawData, Fan) == 436);
static_assert(offsetof(TRawData, Power) == 472);
static_assert(offsetof(TRawData, TopProcName) == 484);
static_assert(offsetof(TRawData, TopProcPercent) == 500);
static_assert(offsetof(TRawData, ProcType) == 501);
static_assert(offsetof(TRawData, Unused) == 506);
static_assert(sizeof(TRawData) == RecordSize);
static_assert(alignof(TRawData) == 8);
static_assert(std::is_trivially_copyable_v<TRawData> && std::is_standard_layout_v<TRawData>);

// Holds the one record of the process and reassembles records read from a server.
class TRawDataShell {
public:
    using TNotifyEvent = std::function<void(TRawDataShell& sender)>;

    TRawDataShell();

    TRawData& Data() { return Data_; }
    const TRawData& Data() const { return Data_; }

    // Bytes just read from the server socket (already deciphered). Without resynchronise a
    // record that fails the marker check is dropped whole and collection stays aligned.
    void Feed(const std::uint8_t* bytes, std::size_t count, bool resynchronise = true);
    // Forgets the bytes of a record not yet complete: a new connection is a new stream.
    void DropPartialRecord() { Collected_ = 0; }
    // Also require every text's length byte to fit its room, as in every record a server
    // makes. The marker alone lets one record in 256 through when the password is wrong;
    // with the lengths, about one in fifty million.
    void CheckTextLengths(bool check) { CheckTextLengths_ = check; }

    TNotifyEvent OnData;
    // Held while an accepted record replaces this one and OnData runs: readers on other
    // threads (the web service) take it to see whole records.
    std::recursive_mutex* WriteLock = nullptr;

private:
    std::array<std::uint8_t, RecordSize> Stream_{}; // the reassembly stream
    std::size_t Collected_ = 0;
    bool CheckTextLengths_ = false;
    TRawData Data_{};
};

} // namespace keltrix
