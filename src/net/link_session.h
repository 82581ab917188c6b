#pragma once
// One served connection without its socket: what a read asks for and the answers not yet
// sent. The socket side hands it every read and sends what it holds.

#include "measure/raw_data.h"
#include "net/cipher.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace keltrix {

class TLinkSession {
public:
    // A read takes at most this many bytes; only its last byte counts as the request.
    static constexpr std::size_t RequestReadSize = 10;
    // Beyond this many unsent bytes a connection gets no answers until it reads.
    static constexpr std::size_t MaxUnsent = 64 * 1024;

    // cipher: null sends records in clear. The chaining value starts at the initial vector.
    explicit TLinkSession(const TRecordCipher* cipher);

    // The bytes of one read. True when they asked for a record and it was queued.
    bool OnRead(const std::uint8_t* bytes, std::size_t size, const TRawData& record);

    const std::uint8_t* Unsent() const { return Out_.data() + Head_; }
    std::size_t UnsentSize() const { return Out_.size() - Head_; }
    // The socket took count bytes of Unsent.
    void Sent(std::size_t count);

    std::uint64_t Answers() const { return Answers_; }
    std::uint64_t Withheld() const { return Withheld_; }

private:
    const TRecordCipher* Cipher_;
    TCipherBlock Chain_{};
    std::vector<std::uint8_t> Out_;
    std::size_t Head_ = 0;
    std::uint64_t Answers_ = 0;
    std::uint64_t Withheld_ = 0;
};

} // namespace keltrix
