#pragma once
// Downloading an address into a file (URLDownloadToFile), bounded in time and size, and the
// same on a worker thread whose end a descriptor tells.

#include "platform/win_types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace keltrix::platform {

struct TDownloadLimits {
    long ConnectTimeoutMs = 5000; // name resolution and connection
    long TotalTimeoutMs = 5000;   // the whole transfer
    std::uint64_t MaxBytes = 1 << 20;
};

// Downloads url (http, https or file) into file, following redirects; a server's error
// status is a failure. On failure no file is left and the reason says why. cancel, when set
// from another thread, ends the transfer soon.
TResult URLDownloadToFile(const std::string& url, const std::string& file,
                          const TDownloadLimits& limits = {},
                          const std::atomic<bool>* cancel = nullptr);

// URLDownloadToFile on a worker thread. Fd() becomes readable when it has ended.
class TDownloadJob {
public:
    TDownloadJob(std::string url, std::string file, TDownloadLimits limits = {});
    ~TDownloadJob(); // cancels the transfer and waits for the worker
    TDownloadJob(const TDownloadJob&) = delete;
    TDownloadJob& operator=(const TDownloadJob&) = delete;

    int Fd() const;
    // True once the transfer has ended; result then holds how.
    bool Take(TResult& result);

private:
    struct TShared;
    std::shared_ptr<TShared> Shared_;
};

} // namespace keltrix::platform
