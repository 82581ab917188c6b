#include "measure/codepage.h"
#include "tags/file_line.h"

#include "file_line_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace keltrix {
namespace {

class FileLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        Path = (std::filesystem::temp_directory_path() /
                ("keltrix-file-line-" + std::to_string(::getpid())))
                   .string();
    }
    void TearDown() override { std::filesystem::remove(Path); }
    void Write(const std::string& bytes) const {
        std::ofstream(Path, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string Path;
};

TEST_F(FileLineTest, AgreesWithTheWholeTextSplitInMemory) {
    std::mt19937 random(7);
    const std::string alphabet = "ab\r\n\r\n";
    for (int round = 0; round < 3000; ++round) {
        // Short texts, and texts whose breaks and zero bytes fall on the edges of the pieces
        // read (64 KiB forward and backward, 1 MiB when looking for the zero byte).
        std::string text;
        const bool large = round % 300 == 0;
        const std::size_t length = large ? (1u << 20) + 70000 + random() % 140000 : random() % 12;
        while (text.size() < length) {
            const char c = alphabet[random() % alphabet.size()];
            text.append(large ? random() % 40000 + 1 : 1, c);
        }
        if (random() % 8 == 0) text.insert(random() % (text.size() + 1), 1, '\0');
        Write(text);
        for (std::int64_t line : {-4, -3, -2, -1, 0, 1, 2, 3, 4, 9}) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " line " << line);
            const auto got = ReadFileLine(Path, line);
            const auto want = keltrix::testing::Model(text, line);
            ASSERT_EQ(got.has_value(), want.has_value());
            if (got) {
                ASSERT_EQ(*got, *want);
            }
        }
    }
}

TEST_F(FileLineTest, ALongLineIsCutAtACharacterAndTheNextIsStillFound) {
    std::string e;
    for (int i = 0; i < 40000; ++i) e += "\xC3\xA9"; // é, two bytes each
    Write("x" + e + "\nnext\n");
    for (std::int64_t line : {1, -1}) {
        const auto cut = ReadFileLine(Path, line);
        ASSERT_TRUE(cut);
        EXPECT_EQ(cut->size(), MaxFileLineBytes - 1) << "no half character at the end";
        EXPECT_TRUE(IsValidUtf8(*cut));
    }
    EXPECT_EQ(ReadFileLine(Path, 2), "next");
    EXPECT_EQ(ReadFileLine(Path, 0), "next");
}

TEST_F(FileLineTest, FilesAboveSixtyFourMegabytesAreRead) {
    // Once refused whole: such a file rendered empty text.
    {
        std::ofstream out(Path, std::ios::binary | std::ios::trunc);
        out << "first\n";
        const std::string block(1u << 20, 'x');
        for (int i = 0; i < 65; ++i) out << block << '\n';
        out << "last\r\n";
    }
    EXPECT_EQ(ReadFileLine(Path, 1), "first");
    EXPECT_EQ(ReadFileLine(Path, 0), "last");
    EXPECT_EQ(ReadFileLine(Path, -1)->size(), MaxFileLineBytes);
    EXPECT_EQ(ReadFileLine(Path, 1000), "last");
}

TEST_F(FileLineTest, FilesWithoutASizeAreReadToTheirEnd) {
    // /proc files say they are empty.
    const auto first = ReadFileLine("/proc/self/mountinfo", 1);
    const auto last = ReadFileLine("/proc/self/mountinfo", 0);
    ASSERT_TRUE(first && last);
    EXPECT_FALSE(first->empty());
    EXPECT_EQ(ReadFileLine("/proc/self/mountinfo", -100000), first);
    EXPECT_FALSE(ReadFileLine("/nonexistent/file", 0));
    EXPECT_FALSE(ReadFileLine("/dev/null", 0)) << "not a regular file";
    Write(std::string("\0abc\n", 5));
    EXPECT_FALSE(ReadFileLine(Path, 0)) << "no text before the zero byte";
    EXPECT_FALSE(ReadFileLine(Path, 1));
}

} // namespace
} // namespace keltrix
