// Load on a record server: many clients, each asking at a fixed rate on its own connection and
// checking every answer (deciphered with its own chain). Also reads the server's processor
// time and resident memory from /proc, before and after.
//
//   link_load PORT CLIENTS RATE_HZ SECONDS PASSWORD SERVER_PID
//
// Exit status 0 when every client got every answer and every answer was a record.
#include "measure/raw_data.h"
#include "net/cipher.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace keltrix;
using Clock = std::chrono::steady_clock;

namespace {

struct Client {
    int Fd = -1;
    Clock::time_point Next;
    std::uint64_t Requests = 0, Answers = 0, Bad = 0;
    std::vector<std::uint8_t> Partial;
    TCipherBlock Chain{};
};

double ServerCpuSeconds(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string f;
    double utime = 0, stime = 0;
    for (int i = 3; fields >> f; ++i) {
        if (i == 14) utime = std::stod(f);
        if (i == 15) {
            stime = std::stod(f);
            break;
        }
    }
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long RssKb(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

int Connect(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

void Receive(Client& c, const TRecordCipher* cipher) {
    std::uint8_t buffer[8192];
    for (;;) {
        const ssize_t n = recv(c.Fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n <= 0) return;
        c.Partial.insert(c.Partial.end(), buffer, buffer + n);
        std::size_t at = 0;
        while (c.Partial.size() - at >= RecordSize) {
            std::uint8_t* record = c.Partial.data() + at;
            if (cipher) cipher->Decrypt(c.Chain, record, RecordSize);
            ++c.Answers;
            if (record[0] != RecordMarker) ++c.Bad;
            at += RecordSize;
        }
        c.Partial.erase(c.Partial.begin(), c.Partial.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s PORT CLIENTS RATE_HZ SECONDS PASSWORD SERVER_PID\n",
                     argv[0]);
        return 2;
    }
    const auto port = static_cast<std::uint16_t>(std::atoi(argv[1]));
    const int clients = std::atoi(argv[2]);
    const double rate = std::atof(argv[3]);
    const double seconds = std::atof(argv[4]);
    const std::string password = argv[5];
    const int pid = std::atoi(argv[6]);
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    TRecordCipher cipher;
    cipher.SetPassword(password);
    const TRecordCipher* decipher = password.empty() ? nullptr : &cipher;
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));

    std::vector<Client> all(static_cast<std::size_t>(clients));
    const Clock::time_point start = Clock::now();
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i].Fd = Connect(port);
        if (all[i].Fd < 0) {
            std::fprintf(stderr, "client %zu cannot connect: %s\n", i, std::strerror(errno));
            return 1;
        }
        all[i].Chain = cipher.InitialVector();
        all[i].Next = start + period * static_cast<long>(i) / clients; // spread over a period
    }
    const double cpu0 = ServerCpuSeconds(pid);
    const long rss0 = RssKb(pid);
    const Clock::time_point stopAsking =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::vector<pollfd> fds(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) fds[i] = {all[i].Fd, POLLIN, 0};
    long rssPeak = rss0;
    Clock::time_point nextRss = start;

    for (;;) {
        const Clock::time_point now = Clock::now();
        bool waiting = false;
        Clock::time_point due = now + std::chrono::milliseconds(100);
        for (Client& c : all) {
            if (now < stopAsking && c.Next <= now) {
                const std::uint8_t request = RecordMarker;
                if (send(c.Fd, &request, 1, MSG_NOSIGNAL) == 1) ++c.Requests;
                c.Next += period;
            }
            if (now < stopAsking && c.Next < due) due = c.Next;
            if (c.Answers < c.Requests) waiting = true;
        }
        if (now >= nextRss) {
            rssPeak = std::max(rssPeak, RssKb(pid));
            nextRss = now + std::chrono::milliseconds(500);
        }
        if (now >= stopAsking && (!waiting || now > stopAsking + std::chrono::seconds(3))) break;
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count();
        if (poll(fds.data(), fds.size(), static_cast<int>(std::max<long>(wait, 0))) > 0)
            for (std::size_t i = 0; i < all.size(); ++i)
                if (fds[i].revents) Receive(all[i], decipher);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ServerCpuSeconds(pid) - cpu0;
    const long rss1 = RssKb(pid);

    std::uint64_t requests = 0, answers = 0, bad = 0, short_ = 0;
    std::uint64_t least = UINT64_MAX;
    for (Client& c : all) {
        requests += c.Requests;
        answers += c.Answers;
        bad += c.Bad;
        least = std::min(least, c.Answers);
        if (c.Answers != c.Requests) ++short_;
        close(c.Fd);
    }
    std::printf("clients %d at %.0f Hz for %.1f s: %llu requests, %llu answers (fewest per client "
                "%llu), %llu not records, %llu clients short\n",
                clients, rate, elapsed, static_cast<unsigned long long>(requests),
                static_cast<unsigned long long>(answers), static_cast<unsigned long long>(least),
                static_cast<unsigned long long>(bad), static_cast<unsigned long long>(short_));
    std::printf("server: %.2f s of processor time, %.1f us per answer, %.1f %% of one core; "
                "VmRSS %ld kB before, %ld kB peak, %ld kB after\n",
                cpu, answers ? cpu * 1e6 / static_cast<double>(answers) : 0.0,
                100.0 * cpu / elapsed, rss0, rssPeak, rss1);
    return bad == 0 && short_ == 0 && answers > 0 ? 0 : 1;
}
