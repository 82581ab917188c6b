#pragma once
// Result codes of the Windows-shaped platform calls, and the answer of calls that can say "no".

#include <cstdint>
#include <string>
#include <utility>

namespace keltrix::platform {

inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_DATA = 13;
inline constexpr std::uint32_t ERROR_INVALID_DRIVE = 15;
inline constexpr std::uint32_t ERROR_NOT_READY = 21;
inline constexpr std::uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr std::uint32_t ERROR_MORE_DATA = 234;

// Success, or the code and a sentence that says why not.
struct [[nodiscard]] TResult {
    std::uint32_t Code = ERROR_SUCCESS;
    std::string Reason;

    bool Ok() const noexcept { return Code == ERROR_SUCCESS; }
    explicit operator bool() const noexcept { return Ok(); }

    static TResult Success() { return {}; }
    static TResult Failure(std::uint32_t code, std::string reason) {
        return {code, std::move(reason)};
    }
};

} // namespace keltrix::platform
