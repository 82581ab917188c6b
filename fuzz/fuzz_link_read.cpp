// The client's read path: an arbitrary server stream deciphered with a password the input
// chooses, in reads of at most 1024 bytes, into the record. Every accepted record begins with
// the marker; nothing read runs past its buffers.
#include "measure/raw_data.h"
#include "net/cipher.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix;
    if (size < 1) return 0;
    // The first byte: how many of the following bytes are the password (0..15).
    const std::size_t pwLength = std::min<std::size_t>(data[0] & 15u, size - 1);
    const std::string password(reinterpret_cast<const char*>(data + 1), pwLength);
    std::size_t i = 1 + pwLength;
    TRecordCipher cipher;
    cipher.SetPassword(password);
    TStreamDecipher stream;
    stream.Start(cipher);
    TRawDataShell shell;
    shell.OnData = [](TRawDataShell& s) {
        if (s.Data().Marker != RecordMarker) std::abort();
        // Lengths from the wire are untrusted: reading the texts must stay in their fields.
        if (s.Data().CompName.Get().size() > 45 || s.Data().ProcType.Get().size() > 12)
            std::abort();
    };
    std::uint8_t plain[1024 + CipherBlockSize];
    while (i < size) {
        const std::size_t want = (static_cast<std::size_t>(data[i]) << 2) | (i % 4); // 0..1023
        ++i;
        const std::size_t n = std::min(want, size - i);
        if (password.empty()) {
            shell.Feed(data + i, n);
        } else {
            const std::size_t got = stream.Decipher(data + i, n, plain);
            if (got % CipherBlockSize != 0 || got > n + CipherBlockSize) std::abort();
            shell.Feed(plain, got, false);
        }
        i += n;
    }
    return 0;
}
