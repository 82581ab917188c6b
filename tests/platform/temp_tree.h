#pragma once
// A throw-away root folder for inputs that are easier to write in the test than to keep as
// recorded files (broken and edge-case texts).

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace keltrix::platform::test {

class TTempTree {
public:
    TTempTree() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "keltrix-platform-XXXXXX").string();
        if (::mkdtemp(pattern.data())) Root_ = pattern;
    }
    ~TTempTree() {
        std::error_code ignored;
        if (!Root_.empty()) std::filesystem::remove_all(Root_, ignored);
    }
    TTempTree(const TTempTree&) = delete;
    TTempTree& operator=(const TTempTree&) = delete;

    const std::string& Root() const { return Root_; }

    // Writes text to root + path (relative to the root, folders created).
    void Write(std::string_view path, std::string_view text) const {
        const std::filesystem::path file = std::filesystem::path(Root_) / path;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    }
    void Folder(std::string_view path) const {
        std::filesystem::create_directories(std::filesystem::path(Root_) / path);
    }

private:
    std::string Root_;
};

inline std::string DataRoot(std::string_view name) {
    return std::string(KELTRIX_TEST_DATA) + "/platform/" + std::string(name);
}

} // namespace keltrix::platform::test
