// The update file's download: what the owner's (the window's) thread pays when the download
// runs on a worker, against the same download done in place, and a minimal libcurl program.
#include "platform/url_download.h"

#include "../tests/update/http_test_server.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace {

const char* const Body = "1003\r\nhttp://www.example.test/download.html\r\n";

std::string TempFile() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/keltrix-bench-update-" +
           std::to_string(::getpid()) + ".col";
}

keltrix::testing::THttpTestServer& Server() {
    static keltrix::testing::THttpTestServer server;
    server.Serve(Body);
    return server;
}

// The floor: one easy transfer into a file, no limits, no thread.
void BM_MinimalCurlDownload(benchmark::State& state) {
    const std::string url = Server().Url(), file = TempFile();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    for (auto _ : state) {
        std::FILE* out = std::fopen(file.c_str(), "wb");
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, out);
        const CURLcode code = curl_easy_perform(curl);
        curl_easy_cleanup(curl);
        std::fclose(out);
        if (code != CURLE_OK) state.SkipWithError("download failed");
    }
    std::remove(file.c_str());
}
BENCHMARK(BM_MinimalCurlDownload)->UseRealTime();

// The same in place, with the program's bounds and checks.
void BM_URLDownloadToFile(benchmark::State& state) {
    const std::string url = Server().Url(), file = TempFile();
    for (auto _ : state)
        if (!keltrix::platform::URLDownloadToFile(url, file))
            state.SkipWithError("download failed");
    std::remove(file.c_str());
}
BENCHMARK(BM_URLDownloadToFile)->UseRealTime();

// On a worker, the owner waiting on the job's descriptor as the event loop would: CPU time
// is the owner thread's share, real time the whole check.
void RunJob(benchmark::State& state, const std::string& url,
            keltrix::platform::TDownloadLimits limits) {
    const std::string file = TempFile();
    for (auto _ : state) {
        keltrix::platform::TDownloadJob job(url, file, limits);
        pollfd p{job.Fd(), POLLIN, 0};
        ::poll(&p, 1, 10000);
        keltrix::platform::TResult result;
        if (!job.Take(result)) state.SkipWithError("the job did not end");
    }
    std::remove(file.c_str());
}
void BM_DownloadJob(benchmark::State& state) {
    RunJob(state, Server().Url(), {});
}
BENCHMARK(BM_DownloadJob)->UseRealTime();

// A server that accepts and never answers, with the bound cut to 200 ms: the owner stays free.
void BM_DownloadJobSilentServer(benchmark::State& state) {
    static keltrix::testing::THttpTestServer silent;
    silent.Hang();
    keltrix::platform::TDownloadLimits limits;
    limits.TotalTimeoutMs = 200;
    RunJob(state, silent.Url(), limits);
}
BENCHMARK(BM_DownloadJobSilentServer)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
