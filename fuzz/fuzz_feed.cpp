// Arbitrary server streams, cut into reads at places the input chooses.
#include "measure/raw_data.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    keltrix::TRawDataShell shell;
    shell.OnData = [](keltrix::TRawDataShell& s) {
        if (s.Data().Marker != keltrix::RecordMarker) std::abort();
    };
    std::size_t i = 0;
    while (i < size) {
        // The first byte of each chunk says how many bytes the read holds (0..1023 bytes).
        const std::size_t want = (static_cast<std::size_t>(data[i]) << 2) | (i % 4);
        ++i;
        const std::size_t n = std::min(want, size - i);
        shell.Feed(data + i, n);
        i += n;
    }
    return 0;
}
