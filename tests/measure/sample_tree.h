#pragma once
// A machine that changes between samples: a copy of tests/data/measure/base/ in a temporary
// folder, over which the steps of a recorded sequence are laid one by one.

#include "../platform/temp_tree.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace keltrix::test {

class TSampleTree : public platform::test::TTempTree {
public:
    TSampleTree() { Apply("base"); }

    // Copies tests/data/measure/<step>/ over the root, replacing the files it holds.
    void Apply(std::string_view step) const {
        const auto from = std::filesystem::path(KELTRIX_TEST_DATA) / "measure" / step;
        std::filesystem::copy(from, Root(),
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
    }
    void Remove(std::string_view path) const {
        std::filesystem::remove_all(std::filesystem::path(Root()) / path);
    }
};

// /proc/<pid>/stat with the given processor ticks.
inline std::string PidStat(int pid, std::string_view name, unsigned long utime) {
    return std::to_string(pid) + " (" + std::string(name) + ") S 1 " + std::to_string(pid) +
           " 0 0 -1 4194560 100 0 0 0 " + std::to_string(utime) +
           " 10 0 0 20 0 1 0 25 61218816 3383 0 0 0 0 0 0 0 0\n";
}

// /proc/stat of processors that each ran busy ticks and idled idle ticks.
inline std::string ProcStat(int processors, unsigned long busy, unsigned long idle) {
    auto line = [](const std::string& name, unsigned long b, unsigned long i) {
        return name + " " + std::to_string(b) + " 0 0 " + std::to_string(i) + " 0 0 0 0 0 0\n";
    };
    std::string text = line("cpu ", busy * processors, idle * processors);
    for (int n = 0; n < processors; ++n) text += line("cpu" + std::to_string(n), busy, idle);
    return text + "ctxt 1\nbtime 1796797857\n";
}

} // namespace keltrix::test
