// What a served connection receives: arbitrary bytes in reads of at most 10 bytes, with the
// peer taking arbitrary amounts of the answers in between. Whatever comes, the answers stay
// whole records of the one cipher stream and what is held stays bounded.
#include "net/link_session.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix;
    static TRecordCipher cipher = [] {
        TRecordCipher c;
        c.SetPassword("secret");
        return c;
    }();
    TRawData record{};
    record.Marker = RecordMarker;
    const bool enciphered = size > 0 && (data[0] & 1);
    TLinkSession session(enciphered ? &cipher : nullptr);
    TCipherBlock chain = cipher.InitialVector();
    std::size_t taken = 0; // bytes of answers the peer has read
    std::uint8_t pending[RecordSize];
    std::size_t inRecord = 0;
    std::size_t i = 1;
    while (i < size) {
        // A control byte: the low 4 bits are the read's length (0..15, cut to 10), the high
        // bits how much of the answers the peer reads now (in units of 97 bytes).
        const std::uint8_t control = data[i++];
        const std::size_t n =
            std::min<std::size_t>({control & 15u, TLinkSession::RequestReadSize, size - i});
        const std::size_t before = session.UnsentSize();
        const bool answered = session.OnRead(data + i, n, record);
        if (answered != (session.UnsentSize() == before + RecordSize)) std::abort();
        if (answered && (n == 0 || data[i + n - 1] != RecordMarker)) std::abort();
        i += n;
        if (session.UnsentSize() > TLinkSession::MaxUnsent + RecordSize) std::abort();

        std::size_t read = std::min<std::size_t>((control >> 4) * 97u, session.UnsentSize());
        // Every byte the peer reads continues a record that deciphers to the marker first.
        const std::uint8_t* out = session.Unsent();
        for (std::size_t k = 0; k < read; ++k) {
            pending[inRecord++] = out[k];
            if (inRecord < RecordSize) continue;
            if (enciphered) cipher.Decrypt(chain, pending, RecordSize);
            if (pending[0] != RecordMarker) std::abort();
            inRecord = 0;
        }
        session.Sent(read);
        taken += read;
    }
    if (taken + session.UnsentSize() != session.Answers() * RecordSize) std::abort();
    return 0;
}
