#include "tags/file_line.h"

#include "platform/text_file.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

namespace keltrix {
namespace {

constexpr std::size_t ChunkBytes = 64u << 10;
// The zero-byte search reads big pieces: it may have to go through the whole file.
constexpr std::size_t ScanBytes = 1u << 20;

bool IsBreak(char c) {
    return c == '\r' || c == '\n';
}

// Drops the bytes of a character that the cut split.
void DropSplitCharacter(std::string& line) {
    std::size_t lead = line.size();
    for (int back = 0; back < 4 && lead > 0; ++back) {
        const auto c = static_cast<unsigned char>(line[--lead]);
        if ((c & 0xC0) != 0x80) {
            const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (line.size() - lead < need) line.resize(lead);
            return;
        }
    }
}

std::size_t PieceFor(const platform::TPositionedFile& file, std::size_t largest) {
    if (file.Size() == 0) return largest;
    return static_cast<std::size_t>(std::min<std::uint64_t>(largest, file.Size() + 1));
}

// Splits the text as it streams in; a line keeps its first MaxFileLineBytes bytes.
class TLineSplitter {
public:
    // False: the caller has what it wants.
    template <class OnLine> bool Feed(std::string_view bytes, OnLine&& onLine) {
        for (std::size_t i = 0; i < bytes.size();) {
            if (AfterCr_ && bytes[i] == '\n') {
                AfterCr_ = false;
                ++i;
                continue;
            }
            AfterCr_ = false;
            const auto end =
                std::find_if(bytes.begin() + static_cast<long>(i), bytes.end(), IsBreak);
            const auto at = static_cast<std::size_t>(end - bytes.begin());
            Append(bytes.substr(i, at - i));
            if (at == bytes.size()) break;
            AfterCr_ = bytes[at] == '\r';
            i = at + 1;
            if (!onLine(Finish())) return false;
        }
        return true;
    }
    // The line without a break at the end, when it has any bytes.
    std::optional<std::string> Rest() {
        if (Line_.empty()) return std::nullopt;
        return Finish();
    }

private:
    void Append(std::string_view piece) {
        const std::size_t room = MaxFileLineBytes - Line_.size();
        Line_.append(piece.substr(0, room));
        Cut_ = Cut_ || piece.size() > room;
    }
    std::string Finish() {
        std::string line;
        line.swap(Line_);
        if (Cut_) DropSplitCharacter(line);
        Cut_ = false;
        return line;
    }

    std::string Line_;
    bool Cut_ = false;
    bool AfterCr_ = false;
};

// Feeds the text (up to the first zero byte) until the splitter's caller has enough.
template <class OnLine>
bool ReadForward(platform::TPositionedFile& file, TLineSplitter& splitter, OnLine&& onLine) {
    // A small file needs no more room than itself (and one byte to see its end).
    const std::size_t room = PieceFor(file, ChunkBytes);
    const auto buffer = std::make_unique_for_overwrite<char[]>(room);
    for (std::uint64_t offset = 0;;) {
        const long got = file.ReadAt(offset, buffer.get(), room);
        if (got < 0) return false;
        if (got == 0) return true;
        std::string_view bytes(buffer.get(), static_cast<std::size_t>(got));
        const std::size_t zero = bytes.find('\0');
        if (!splitter.Feed(bytes.substr(0, zero), onLine)) return true;
        if (zero != std::string_view::npos) return true;
        offset += static_cast<std::uint64_t>(got);
    }
}

// Line L >= 1, or the last one when the text has fewer.
std::optional<std::string> ForwardLine(platform::TPositionedFile& file, std::int64_t line) {
    TLineSplitter splitter;
    std::int64_t seen = 0;
    std::optional<std::string> chosen;
    const bool read = ReadForward(file, splitter, [&](std::string&& text) {
        chosen = std::move(text);
        return ++seen < line;
    });
    if (!read) return std::nullopt;
    if (seen < line)
        if (auto rest = splitter.Rest()) chosen = std::move(rest);
    return chosen;
}

// Files without a size (/proc, /sys) are read once from the start; they are small.
std::optional<std::string> ForwardLineFromEnd(platform::TPositionedFile& file, std::uint64_t back) {
    TLineSplitter splitter;
    std::deque<std::string> last;
    const auto keep = [&](std::string&& text) {
        last.push_back(std::move(text));
        if (last.size() > back + 1) last.pop_front();
        return true;
    };
    if (!ReadForward(file, splitter, keep)) return std::nullopt;
    if (auto rest = splitter.Rest()) keep(std::move(*rest));
    if (last.empty()) return std::nullopt;
    return std::move(last.front());
}

// Where the text ends: at the first zero byte, else at the end of the file.
std::optional<std::uint64_t> TextEnd(platform::TPositionedFile& file) {
    const std::size_t room = PieceFor(file, ScanBytes);
    const auto buffer = std::make_unique_for_overwrite<char[]>(room);
    for (std::uint64_t offset = 0;;) {
        const long got = file.ReadAt(offset, buffer.get(), room);
        if (got < 0) return std::nullopt;
        if (got == 0) return offset;
        if (const void* zero = std::memchr(buffer.get(), 0, static_cast<std::size_t>(got)))
            return offset +
                   static_cast<std::uint64_t>(static_cast<const char*>(zero) - buffer.get());
        offset += static_cast<std::uint64_t>(got);
    }
}

// The bytes below a position, a window at a time.
class TBackwardReader {
public:
    explicit TBackwardReader(platform::TPositionedFile& file) : File_(file) {}

    std::optional<char> ByteAt(std::uint64_t at) {
        if (!Cover(at + 1)) return std::nullopt;
        return Window_[static_cast<std::size_t>(at - Start_)];
    }
    // The last break below limit; nothing when there is none (or a read failed: Failed()).
    std::optional<std::uint64_t> BreakBefore(std::uint64_t limit) {
        while (limit > 0) {
            if (!Cover(limit)) return std::nullopt;
            const auto n = static_cast<std::size_t>(limit - Start_);
            const std::string_view bytes(Window_.data(), n);
            const std::size_t at = bytes.find_last_of("\r\n");
            if (at != std::string_view::npos) return Start_ + at;
            limit = Start_;
        }
        return std::nullopt;
    }
    bool Failed() const { return Failed_; }

private:
    // The window holds the byte before limit.
    bool Cover(std::uint64_t limit) {
        if (limit > Start_ && limit <= Start_ + Window_.size()) return true;
        Start_ = limit > ChunkBytes ? limit - ChunkBytes : 0;
        Window_.resize(static_cast<std::size_t>(limit - Start_));
        const long got = File_.ReadAt(Start_, Window_.data(), Window_.size());
        // A file that shrank since its end was found is as bad as a failed read.
        if (got != static_cast<long>(Window_.size())) {
            Failed_ = true;
            Window_.clear();
            return false;
        }
        return true;
    }

    platform::TPositionedFile& File_;
    std::vector<char> Window_;
    std::uint64_t Start_ = 0;
    bool Failed_ = false;
};

// The line `back` lines before the last (0: the last), the first when there are fewer.
std::optional<std::string> BackwardLine(platform::TPositionedFile& file, std::uint64_t back) {
    const auto end = TextEnd(file);
    if (!end || *end == 0) return std::nullopt;
    TBackwardReader reader(file);
    // A break at the very end starts no line.
    std::uint64_t lineEnd = *end;
    const auto lastByte = reader.ByteAt(lineEnd - 1);
    if (!lastByte) return std::nullopt;
    if (IsBreak(*lastByte)) {
        --lineEnd;
        if (*lastByte == '\n' && lineEnd > 0 && reader.ByteAt(lineEnd - 1) == '\r') --lineEnd;
    }
    for (std::uint64_t lines = 0;; ++lines) {
        const auto breakAt = reader.BreakBefore(lineEnd);
        if (reader.Failed()) return std::nullopt;
        const std::uint64_t start = breakAt ? *breakAt + 1 : 0;
        if (lines == back || !breakAt) {
            std::string line(static_cast<std::size_t>(
                                 std::min<std::uint64_t>(lineEnd - start, MaxFileLineBytes)),
                             '\0');
            if (file.ReadAt(start, line.data(), line.size()) != static_cast<long>(line.size()))
                return std::nullopt;
            if (lineEnd - start > MaxFileLineBytes) DropSplitCharacter(line);
            return line;
        }
        lineEnd = *breakAt;
        if (reader.ByteAt(lineEnd) == '\n' && lineEnd > 0 && reader.ByteAt(lineEnd - 1) == '\r')
            --lineEnd;
    }
}

} // namespace

std::optional<std::string> ReadFileLine(const std::string& path, std::int64_t line) {
    platform::TPositionedFile file;
    if (!file.Open(path, nullptr)) return std::nullopt;
    if (line >= 1) return ForwardLine(file, line);
    const std::uint64_t back = 0 - static_cast<std::uint64_t>(line);
    if (file.Size() == 0) return ForwardLineFromEnd(file, back);
    return BackwardLine(file, back);
}

} // namespace keltrix
