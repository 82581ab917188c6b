// Answering record requests: the server role over loopback, in clear and enciphered, next to
// a minimal server that answers each request with 512 fixed bytes. Client and server run in
// the benchmark's thread, so the time per answer is the processor cost of both ends; the
// client's half is the same for all three. Arg: idle connections beside the one that asks.
#include "net/cipher.h"
#include "net/link_server.h"
#include "net/link_session.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace keltrix;

namespace {

int ConnectTo(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

void ReceiveRecord(int fd) {
    std::uint8_t answer[RecordSize];
    if (recv(fd, answer, sizeof answer, MSG_WAITALL) != static_cast<ssize_t>(RecordSize))
        std::abort();
    benchmark::DoNotOptimize(answer[0]);
}

void ServerRole(benchmark::State& state, const char* password) {
    platform::TPollLoop loop;
    TRawDataShell shell;
    shell.Data().Marker = RecordMarker;
    TLinkServer server(loop, shell);
    std::string error;
    if (!server.Listen(0, password, &error)) std::abort();
    std::vector<int> idle;
    for (long i = 0; i < state.range(0); ++i) idle.push_back(ConnectTo(server.Port()));
    const int fd = ConnectTo(server.Port());
    while (server.Connections() < idle.size() + 1) loop.RunOnce(10);
    const std::uint8_t request = RecordMarker;
    for (auto _ : state) {
        if (send(fd, &request, 1, 0) != 1) std::abort();
        const std::uint64_t before = server.Answers();
        while (server.Answers() == before) loop.RunOnce(100);
        ReceiveRecord(fd);
    }
    state.SetItemsProcessed(state.iterations());
    close(fd);
    for (int i : idle) close(i);
}

void BM_ServerInClear(benchmark::State& state) {
    ServerRole(state, "");
}
void BM_ServerEnciphered(benchmark::State& state) {
    ServerRole(state, "secret");
}

// The floor: poll, read at most 10 bytes, write 512 fixed bytes. Nothing else.
void BM_MinimalServer(benchmark::State& state) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listener, 512))
        std::abort();
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    const std::uint16_t port = ntohs(a.sin_port);
    std::vector<pollfd> fds;
    std::vector<int> idle;
    for (long i = 0; i < state.range(0); ++i) {
        idle.push_back(ConnectTo(port));
        fds.push_back({accept4(listener, nullptr, nullptr, SOCK_NONBLOCK), POLLIN, 0});
    }
    const int fd = ConnectTo(port);
    fds.push_back({accept4(listener, nullptr, nullptr, SOCK_NONBLOCK), POLLIN, 0});
    std::uint8_t fixed[RecordSize] = {RecordMarker};
    const std::uint8_t request = RecordMarker;
    for (auto _ : state) {
        if (send(fd, &request, 1, 0) != 1) std::abort();
        bool answered = false;
        while (!answered) {
            poll(fds.data(), fds.size(), 100);
            for (pollfd& p : fds) {
                if (!p.revents) continue;
                std::uint8_t in[10];
                const ssize_t n = recv(p.fd, in, sizeof in, 0);
                if (n > 0 && in[n - 1] == RecordMarker) {
                    send(p.fd, fixed, sizeof fixed, MSG_NOSIGNAL);
                    answered = true;
                }
            }
        }
        ReceiveRecord(fd);
    }
    state.SetItemsProcessed(state.iterations());
    for (pollfd& p : fds) close(p.fd);
    for (int i : idle) close(i);
    close(fd);
    close(listener);
}

// The cipher alone: one answer enciphered, as a session queues it.
void BM_SessionAnswerEnciphered(benchmark::State& state) {
    TRecordCipher cipher;
    cipher.SetPassword("secret");
    TLinkSession session(&cipher);
    TRawData record{};
    record.Marker = RecordMarker;
    const std::uint8_t request = RecordMarker;
    for (auto _ : state) {
        session.OnRead(&request, 1, record);
        benchmark::DoNotOptimize(session.Unsent());
        session.Sent(session.UnsentSize());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(RecordSize));
}

// The client's read path: 1024 enciphered bytes deciphered and reassembled (two records).
void BM_ClientDecipherAndFeed(benchmark::State& state) {
    TRecordCipher cipher;
    cipher.SetPassword("secret");
    TRawData record{};
    record.Marker = RecordMarker;
    std::vector<std::uint8_t> wire(2 * RecordSize);
    TCipherBlock chain = cipher.InitialVector();
    for (int i = 0; i < 2; ++i) {
        std::memcpy(wire.data() + i * RecordSize, &record, RecordSize);
        cipher.Encrypt(chain, wire.data() + i * RecordSize, RecordSize);
    }
    TRawDataShell shell;
    TStreamDecipher stream;
    std::uint8_t plain[2 * RecordSize + 8];
    for (auto _ : state) {
        stream.Start(cipher);
        shell.Feed(plain, stream.Decipher(wire.data(), wire.size(), plain), false);
        benchmark::DoNotOptimize(shell.Data().Marker);
    }
    state.SetItemsProcessed(2 * state.iterations());
}

} // namespace

BENCHMARK(BM_ServerInClear)->Arg(0)->Arg(255);
BENCHMARK(BM_ServerEnciphered)->Arg(0)->Arg(255);
BENCHMARK(BM_MinimalServer)->Arg(0)->Arg(255);
BENCHMARK(BM_SessionAnswerEnciphered);
BENCHMARK(BM_ClientDecipherAndFeed);

BENCHMARK_MAIN();
