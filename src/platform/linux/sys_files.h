#pragma once
// Reading the small text files of /proc and /sys below a root folder, without streams and
// without allocating once the buffers have grown.

#include "platform/win_types.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace keltrix::platform::detail {

// root "/" and "/proc/stat" give "/proc/stat"; root "tests/x" gives "tests/x/proc/stat".
std::string JoinRoot(std::string_view root, std::string_view path);

// The whole file into out, reusing its capacity; false with errno set when it cannot be read.
bool ReadWholeFile(const char* path, std::string& out);
bool ReadWholeFile(const std::string& path, std::string& out);
// At most capacity bytes of dir/name; -1 with errno set on failure.
long ReadFileAt(int dirFd, const char* name, char* buffer, std::size_t capacity);

// "cannot read <path>: <system message>", with the Windows-shaped code for errno.
TResult ReadFailure(std::string_view path, int error);
TResult Malformed(std::string_view path, std::string_view why);

bool DirectoryExists(const std::string& path);

// UTF-8 decoded to UTF-16 units handed to emit; a byte that does not start a valid
// sequence becomes U+FFFD.
template <class Emit> void Utf8ToUtf16(std::string_view text, Emit&& emit) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        std::size_t len = 1;
        auto cont = [&](std::size_t k) {
            return i + k < n && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        };
        auto bits = [&](std::size_t k) {
            return static_cast<char32_t>(static_cast<unsigned char>(text[i + k]) & 0x3F);
        };
        if (b0 < 0x80) {
            cp = b0;
        } else if (b0 >= 0xC2 && b0 < 0xE0 && cont(1)) {
            cp = (static_cast<char32_t>(b0 & 0x1F) << 6) | bits(1);
            len = 2;
        } else if (b0 >= 0xE0 && b0 < 0xF0 && cont(1) && cont(2)) {
            const char32_t v = (static_cast<char32_t>(b0 & 0x0F) << 12) | (bits(1) << 6) | bits(2);
            if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) cp = v, len = 3;
        } else if (b0 >= 0xF0 && b0 < 0xF5 && cont(1) && cont(2) && cont(3)) {
            const char32_t v = (static_cast<char32_t>(b0 & 0x07) << 18) | (bits(1) << 12) |
                               (bits(2) << 6) | bits(3);
            if (v >= 0x10000 && v <= 0x10FFFF) cp = v, len = 4;
        }
        if (cp >= 0x10000) {
            emit(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            emit(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            emit(static_cast<char16_t>(cp));
        }
        i += len;
    }
}

} // namespace keltrix::platform::detail
