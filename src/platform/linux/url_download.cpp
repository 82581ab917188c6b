#include "platform/url_download.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <mutex>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace keltrix::platform {
namespace {

struct TSink {
    std::FILE* File = nullptr;
    std::uint64_t Written = 0;
    std::uint64_t Max = 0;
    bool TooLarge = false;
    bool WriteFailed = false;
    int Errno = 0;
    const std::atomic<bool>* Cancel = nullptr;
};

std::size_t Write(char* data, std::size_t size, std::size_t count, void* user) {
    auto& sink = *static_cast<TSink*>(user);
    const std::size_t n = size * count;
    if (sink.Written + n > sink.Max) {
        sink.TooLarge = true;
        return 0;
    }
    if (std::fwrite(data, 1, n, sink.File) != n) {
        sink.WriteFailed = true;
        sink.Errno = errno;
        return 0;
    }
    sink.Written += n;
    return n;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& sink = *static_cast<const TSink*>(user);
    return sink.Cancel && sink.Cancel->load() ? 1 : 0;
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

TResult Fail(const std::string& file, std::uint32_t code, std::string reason) {
    std::remove(file.c_str());
    return TResult::Failure(code, std::move(reason));
}

} // namespace

TResult URLDownloadToFile(const std::string& url, const std::string& file,
                          const TDownloadLimits& limits, const std::atomic<bool>* cancel) {
    GlobalInit();
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return TResult::Failure(ERROR_ACCESS_DENIED,
                                "cannot write " + file + ": " + std::strerror(errno));
    }
    TSink sink;
    sink.File = ::fdopen(fd, "wb");
    if (!sink.File) {
        ::close(fd);
        return Fail(file, ERROR_ACCESS_DENIED,
                    "cannot write " + file + ": " + std::strerror(errno));
    }
    sink.Max = limits.MaxBytes;
    sink.Cancel = cancel;

    CURL* curl = curl_easy_init();
    if (!curl) {
        std::fclose(sink.File);
        return Fail(file, ERROR_NOT_SUPPORTED, "libcurl could not be initialised");
    }
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // on a worker thread
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,file");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits.ConnectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits.TotalTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.MaxBytes));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Keltrix/1002");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);

    const bool closed = std::fclose(sink.File) == 0;
    const int closeErrno = errno;
    if (sink.TooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        return Fail(file, ERROR_INVALID_DATA,
                    url + ": the answer is larger than " + std::to_string(limits.MaxBytes) +
                        " bytes");
    }
    if (sink.WriteFailed)
        return Fail(file, ERROR_ACCESS_DENIED,
                    "cannot write " + file + ": " + std::strerror(sink.Errno));
    if (code != CURLE_OK) {
        const std::string why = error[0] ? error : curl_easy_strerror(code);
        return Fail(file, ERROR_NOT_READY, url + ": " + why);
    }
    if (!closed)
        return Fail(file, ERROR_ACCESS_DENIED,
                    "cannot write " + file + ": " + std::strerror(closeErrno));
    return TResult::Success();
}

struct TDownloadJob::TShared {
    std::mutex Lock;
    bool Done = false;
    TResult Result;
    std::atomic<bool> Cancel{false};
    int Fd = -1;
    std::thread Worker;
    ~TShared() {
        if (Fd >= 0) ::close(Fd);
    }
};

TDownloadJob::TDownloadJob(std::string url, std::string file, TDownloadLimits limits)
    : Shared_(std::make_shared<TShared>()) {
    GlobalInit(); // on the owner's thread, before any worker
    Shared_->Fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (Shared_->Fd < 0) {
        Shared_->Done = true;
        Shared_->Result = TResult::Failure(
            ERROR_NOT_READY, std::string("cannot start the download: ") + std::strerror(errno));
        return;
    }
    try {
        Shared_->Worker = std::thread(
            [shared = Shared_.get(), url = std::move(url), file = std::move(file), limits] {
                TResult result = URLDownloadToFile(url, file, limits, &shared->Cancel);
                std::lock_guard<std::mutex> hold(shared->Lock);
                shared->Result = std::move(result);
                shared->Done = true;
                const std::uint64_t one = 1;
                [[maybe_unused]] ssize_t n = ::write(shared->Fd, &one, sizeof one);
            });
    } catch (const std::system_error& e) {
        Shared_->Done = true;
        Shared_->Result = TResult::Failure(ERROR_NOT_READY,
                                           std::string("cannot start the download: ") + e.what());
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(Shared_->Fd, &one, sizeof one);
    }
}

TDownloadJob::~TDownloadJob() {
    Shared_->Cancel = true;
    if (Shared_->Worker.joinable()) Shared_->Worker.join();
}

int TDownloadJob::Fd() const {
    return Shared_->Fd;
}

bool TDownloadJob::Take(TResult& result) {
    std::lock_guard<std::mutex> hold(Shared_->Lock);
    if (!Shared_->Done) return false;
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t n = ::read(Shared_->Fd, &count, sizeof count);
    result = Shared_->Result;
    return true;
}

} // namespace keltrix::platform
