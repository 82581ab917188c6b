// Writes settings from a separate process for the concurrency tests.
//   reg_writer FILE count PREFIX N   writes PREFIX0..PREFIX<N-1> = 0..N-1, then exits
//   reg_writer FILE churn SEED       rewrites values of changing sizes until killed
//   reg_writer FILE exits N UPTIME   records N exits' uptime statistics

#include "settings/registry_store.h"
#include "settings/uptime_stats.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: reg_writer FILE count PREFIX N | FILE churn SEED\n");
        return 2;
    }
    try {
        keltrix::TRegistryStore store(argv[1]);
        if (!store.OpenKey("Software\\OrlenwickStudios\\Vistrand", true)) {
            std::fprintf(stderr, "cannot open the key: %s\n", store.LoadError().c_str());
            return 1;
        }
        const std::string mode = argv[2];
        if (mode == "count" && argc == 5) {
            const int count = std::atoi(argv[4]);
            for (int i = 0; i < count; ++i) store.WriteInteger(argv[3] + std::to_string(i), i);
            return 0;
        }
        if (mode == "exits" && argc == 5) {
            const int count = std::atoi(argv[3]);
            for (int i = 0; i < count; ++i) keltrix::RecordExitUptime(store, std::atoll(argv[4]));
            return 0;
        }
        if (mode == "churn") {
            unsigned seed = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
            for (unsigned i = 0;; ++i) {
                seed = seed * 1103515245u + 12345u;
                store.WriteString("Blob",
                                  std::string(seed % 200000, static_cast<char>('a' + i % 26)));
                store.WriteInteger("Counter" + std::to_string(i % 50), static_cast<int>(i));
                if (i % 7 == 0) store.DeleteValue("Counter" + std::to_string((i + 25) % 50));
            }
        }
        std::fprintf(stderr, "unknown mode %s\n", argv[2]);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "reg_writer: %s\n", e.what());
        return 1;
    }
}
