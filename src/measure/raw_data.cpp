#include "measure/raw_data.h"

#include "measure/codepage.h"

#include <algorithm>
#include <cstring>

namespace keltrix {

template <std::size_t N> void TShortString<N>::Set(std::string_view utf8) {
    const std::string ansi = Utf8ToAnsi(utf8);
    const std::size_t n = std::min(ansi.size(), N);
    Length = static_cast<std::uint8_t>(n);
    std::memcpy(Chars, ansi.data(), n);
}

template <std::size_t N> std::string TShortString<N>::Get() const {
    // A peer may send any length byte; never read past the field.
    const std::size_t n = std::min<std::size_t>(Length, N);
    return AnsiToUtf8(std::string_view(Chars, n));
}

template struct TShortString<15>;
template struct TShortString<4>;

TRawDataShell::TRawDataShell() = default;

namespace {

bool TextLengthsFit(const std::array<std::uint8_t, RecordSize>& r) {
    constexpr std::size_t Long = sizeof(string15::Chars), Short = sizeof(string4::Chars);
    return r[offsetof(TRawData, CompName)] <= Long && r[offsetof(TRawData, UserName)] <= Long &&
           r[offsetof(TRawData, TopProcName)] <= Long && r[offsetof(TRawData, ProcType)] <= Short;
}

} // namespace

void TRawDataShell::Feed(const std::uint8_t* bytes, std::size_t count, bool resynchronise) {
    // Where the record being collected began in this read; npos when in an earlier read.
    constexpr std::size_t Earlier = static_cast<std::size_t>(-1);
    std::size_t began = Collected_ == 0 ? 0 : Earlier;
    std::size_t i = 0;
    while (i < count) {
        if (Collected_ == 0) began = i;
        const std::size_t take = std::min(RecordSize - Collected_, count - i);
        std::memcpy(Stream_.data() + Collected_, bytes + i, take);
        Collected_ += take;
        i += take;
        if (Collected_ < RecordSize) break;

        Collected_ = 0;
        if (Stream_[0] == RecordMarker && (!CheckTextLengths_ || TextLengthsFit(Stream_))) {
            std::unique_lock<std::recursive_mutex> hold;
            if (WriteLock) hold = std::unique_lock<std::recursive_mutex>(*WriteLock);
            std::memcpy(&Data_, Stream_.data(), RecordSize);
            if (OnData) OnData(*this);
            continue;
        }
        if (!resynchronise) continue;
        // Resynchronise on the next marker byte; the search always moves forward, so this ends.
        const std::size_t from = began == Earlier ? 0 : began + 1;
        const std::uint8_t* found =
            std::find(bytes + std::min(from, count), bytes + count, RecordMarker);
        i = static_cast<std::size_t>(found - bytes);
    }
}

} // namespace keltrix
