/* The floor for console mode: the eight lines of the default format string, from the same
 * reads, printed COUNT times INTERVAL_MS apart (after a first sample that only primes the
 * processor figure), with nothing kept but the previous processor ticks. keltrix --console
 * is measured against it by console_cost.sh.
 *   minimal_console COUNT INTERVAL_MS
 * A measuring tool, not part of the program: it reads /proc directly on purpose. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <ctype.h>
#include <dirent.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static char buffer[1 << 16];

static const char* read_file(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    ssize_t got = fd < 0 ? -1 : read(fd, buffer, sizeof buffer - 1);
    if (fd >= 0) close(fd);
    buffer[got > 0 ? got : 0] = '\0';
    return buffer;
}

static unsigned long long meminfo(const char* text, const char* key) {
    const char* at = strstr(text, key);
    return at ? strtoull(at + strlen(key), NULL, 10) : 0;
}

/* The power supplies are looked at on every sample, as the program's system block does. */
static int power_supplies(void) {
    DIR* dir = opendir("/sys/class/power_supply");
    int count = 0;
    while (dir && readdir(dir)) ++count;
    if (dir) closedir(dir);
    return count;
}

static int processes(void) {
    DIR* proc = opendir("/proc");
    int count = 0;
    const struct dirent* entry;
    while (proc && (entry = readdir(proc)))
        if (isdigit((unsigned char)entry->d_name[0])) ++count;
    if (proc) closedir(proc);
    return count;
}

int main(int argc, char** argv) {
    const long count = argc > 1 ? atol(argv[1]) : 1;
    const long interval = argc > 2 ? atol(argv[2]) : 1000;
    unsigned long long prevBusy = 0, prevTotal = 0;
    char address[INET_ADDRSTRLEN] = "", host[256] = "";
    for (long sample = 0; sample <= count; ++sample) {
        unsigned long long v[8] = {0};
        sscanf(read_file("/proc/stat"), "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0],
               &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]);
        const unsigned long long idle = v[3] + v[4];
        const unsigned long long total = v[0] + v[1] + v[2] + v[3] + v[4] + v[5] + v[6] + v[7];
        const double usage =
            total > prevTotal ? 100.0 * (double)(total - idle - prevBusy) / (double)(total - prevTotal)
                              : 0.0;
        prevBusy = total - idle;
        prevTotal = total;
        const int procs = processes();
        unsigned running = 0, threads = 0;
        sscanf(read_file("/proc/loadavg"), "%*s %*s %*s %u/%u", &running, &threads);
        const double uptime = strtod(read_file("/proc/uptime"), NULL);
        const char* mem = read_file("/proc/meminfo");
        const unsigned long long memTotal = meminfo(mem, "MemTotal:") / 1024;
        const unsigned long long memFree = meminfo(mem, "MemAvailable:") / 1024;
        const unsigned long long swapTotal = meminfo(mem, "SwapTotal:") / 1024;
        const unsigned long long committed = meminfo(mem, "Committed_AS:") / 1024;
        const int supplies = power_supplies();
        if (sample % 10 == 0) { /* addresses and the name, as often as the program asks */
            struct ifaddrs* list = NULL;
            address[0] = '\0';
            if (getifaddrs(&list) == 0) {
                for (const struct ifaddrs* a = list; a; a = a->ifa_next)
                    if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET &&
                        (a->ifa_flags & IFF_UP) && !(a->ifa_flags & IFF_LOOPBACK) && !address[0])
                        inet_ntop(AF_INET, &((const struct sockaddr_in*)a->ifa_addr)->sin_addr,
                                  address, sizeof address);
                freeifaddrs(list);
            }
            gethostname(host, sizeof host);
        }
        if (sample > 0 && supplies >= 0) {
            const time_t now = time(NULL);
            struct tm local;
            localtime_r(&now, &local);
            char date[64];
            strftime(date, sizeof date, "Date %d/%m/%y Time %H:%M", &local);
            const long up = (long)uptime;
            printf("Proc %%: %5.2f\nProcesses: %5d  Threads: %5u\n"
                   "%ld days, %02ld hrs, %02ld mins, %02ld secs\n"
                   "PageUsed: %llu/PageTotal: %llu\nRAMUsed: %llu/RAMTotal: %llu\n%s\n%s\n%s\n\n",
                   usage, procs, threads, up / 86400, up / 3600 % 24, up / 60 % 60, up % 60,
                   committed, swapTotal, memTotal - memFree, memTotal, date, address, host);
            fflush(stdout);
        }
        if (sample < count) {
            const struct timespec pause = {interval / 1000, interval % 1000 * 1000000L};
            nanosleep(&pause, NULL);
        }
    }
    return 0;
}
