#include "net/web_autosave.h"

#include "../settings/settings_test_util.h"
#include "base/errors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace keltrix {
namespace {

TEST(AutoSaveInterval, TrimmedDigitsOnlyAndTooLargeGives1000) {
    EXPECT_EQ(ParseAutoSaveInterval("5000"), 5000);
    EXPECT_EQ(ParseAutoSaveInterval("  250 "), 250);
    EXPECT_EQ(ParseAutoSaveInterval("0"), 0);
    EXPECT_EQ(ParseAutoSaveInterval("123456789012"), 1000);
    EXPECT_EQ(ParseAutoSaveInterval("2147483647"), 2147483647);
    EXPECT_EQ(ParseAutoSaveInterval("2147483648"), 1000);
    EXPECT_EQ(ParseAutoSaveInterval("10s"), std::nullopt);
    EXPECT_EQ(ParseAutoSaveInterval("-5"), std::nullopt);
    EXPECT_EQ(ParseAutoSaveInterval("1 000"), std::nullopt);
    EXPECT_EQ(ParseAutoSaveInterval("   "), std::nullopt);
}

class AutoSaveFile : public ::testing::Test {
protected:
    static std::string Read(const std::string& path) { return testing::ReadAll(path); }
    testing::TTempDir Temp;
    std::filesystem::path Dir = Temp.Path();
    std::string Path = Temp.File("keltrix.xml");
};

TEST_F(AutoSaveFile, EveryLineEndsInCrLfAndTheFileIsReplaced) {
    SaveDocumentFile(Path, "<a>\n  <b/>\n</a>\n");
    EXPECT_EQ(Read(Path), "<a>\r\n  <b/>\r\n</a>\r\n");
    SaveDocumentFile(Path, "x\r\ny");
    EXPECT_EQ(Read(Path), "x\r\ny\r\n");
    ::chmod(Path.c_str(), 0640);
    SaveDocumentFile(Path, "z");
    struct stat st {};
    ASSERT_EQ(::stat(Path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // Nothing but the file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(AutoSaveFile, AFolderThatDoesNotExistFailsAndNamesTheFile) {
    const std::string bad = (Dir / "missing" / "k.xml").string();
    try {
        SaveDocumentFile(bad, "x");
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + bad + "\". No such file or directory");
    }
}

TEST_F(AutoSaveFile, AReaderNeverSeesHalfADocument) {
    std::string big = "<?xml version=\"1.0\"?>\n<Keltrix>\n";
    for (int i = 0; i < 2000; ++i) big += "  <Item>" + std::to_string(i) + "</Item>\n";
    big += "</Keltrix>\n";
    SaveDocumentFile(Path, big);
    std::atomic<bool> stop{false};
    std::thread saver([&] {
        while (!stop) SaveDocumentFile(Path, big);
    });
    int incomplete = 0;
    for (int i = 0; i < 10000; ++i) {
        const std::string text = Read(Path);
        if (text.size() < 12 || text.compare(text.size() - 12, 12, "</Keltrix>\r\n") != 0)
            ++incomplete;
    }
    stop = true;
    saver.join();
    EXPECT_EQ(incomplete, 0);
}

} // namespace
} // namespace keltrix
