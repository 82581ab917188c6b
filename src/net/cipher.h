#pragma once
// The record cipher: Blowfish in CBC mode, keyed from the SHA-1 digest of a password. Both
// roles key the same way; each stream keeps its own chaining value.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nettle/blowfish.h>

namespace keltrix {

inline constexpr std::size_t CipherBlockSize = 8;
using TCipherBlock = std::array<std::uint8_t, CipherBlockSize>;
using TRecordKeyBuffer = std::array<std::uint8_t, 32>;

// The password's bytes as they go into the digest: the record's code page, no terminator.
std::string PasswordBytes(std::string_view utf8);
// SHA-1 of the bytes in 0..19, 0xFF in 20..31.
TRecordKeyBuffer RecordKeyBuffer(std::string_view passwordBytes);

class TRecordCipher {
public:
    TRecordCipher();
    // Keys from a password (UTF-8); the empty password is keyed too.
    void SetPassword(std::string_view utf8);
    // E(0xFF x 8): where every stream's chaining value starts.
    const TCipherBlock& InitialVector() const { return IV_; }

    // In place over whole blocks; size must be a multiple of 8. chain carries on between calls.
    void Encrypt(TCipherBlock& chain, std::uint8_t* data, std::size_t size) const;
    void Decrypt(TCipherBlock& chain, std::uint8_t* data, std::size_t size) const;

private:
    blowfish_ctx Ctx_{};
    TCipherBlock IV_{};
};

// Deciphers a byte stream as it arrives: whole blocks at once, a partial block held until a
// later read completes it.
class TStreamDecipher {
public:
    // A new stream: the chaining value back at the initial vector, nothing held.
    void Start(const TRecordCipher& cipher);
    // Deciphers what whole blocks held + in make; out must have room for size + 7 bytes.
    // Returns the bytes written to out.
    std::size_t Decipher(const std::uint8_t* in, std::size_t size, std::uint8_t* out);
    std::size_t Held() const { return Held_; }

private:
    const TRecordCipher* Cipher_ = nullptr;
    TCipherBlock Chain_{};
    TCipherBlock Pending_{};
    std::size_t Held_ = 0;
};

} // namespace keltrix
