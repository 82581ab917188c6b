#include "base/errors.h"
#include "measure/date_time.h"
#include "platform/text_file.h"
#include "tags/date_time_format.h"
#include "tags/formatters.h"
#include "tags/number_format.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace keltrix;

namespace {

class SystemTagsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLocaleSeparators({".", ","});
        SetDateLocale(TDateLocale{});
        for (const auto& f : Formatters) f->Active = true;
        Dir = std::filesystem::temp_directory_path() /
              ("keltrix-systags-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Dir);
    }
    void TearDown() override {
        SetDateLocale(TDateLocale{});
        std::filesystem::remove_all(Dir);
    }

    std::string Render(const std::string& line) {
        std::string text = line;
        for (const auto& f : Formatters) text = f->ApplyTags(text);
        return text;
    }

    // A file of the test folder with the given bytes; returns its path.
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = (Dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::string FileData(const std::string& format, const std::string& more = {}) {
        return Render("<NAME=FileData FORMAT=\"" + format + "\"" + more + ">");
    }

    void SetAddress(int slot, std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
        std::uint8_t* address = Data.IPAddr[slot];
        address[0] = a, address[1] = b, address[2] = c, address[3] = d;
    }

    TRawDataShell Shell;
    TRawData& Data = Shell.Data();
    TFormatterList Formatters = CreateFormatters(Shell);
    std::filesystem::path Dir;
};

TEST_F(SystemTagsTest, IPAddresses) {
    EXPECT_EQ(Render("[<NAME=IPAddr>]"), "[]");
    SetAddress(0, 192, 168, 0, 5);
    SetAddress(1, 10, 0, 0, 1);
    EXPECT_EQ(Render("<NAME=IPAddr FORMAT=\" / \">"), "192.168.0.5 / 10.0.0.1");
    EXPECT_EQ(Render("<NAME=IPAddr>"), "192.168.0.5, 10.0.0.1");
    SetAddress(0, 0, 0, 0, 0);
    EXPECT_EQ(Render("<NAME=IPAddr LEADZERO>"), ",  10.  0.  0.  1");
    SetAddress(3, 255, 1, 2, 3);
    EXPECT_EQ(Render("<NAME=IPAddr FORMAT=\";\">"), ";10.0.0.1;255.1.2.3");
}

TEST_F(SystemTagsTest, NamesProcessorTypeAndBlank) {
    Data.CompName.Set("WORKSTATION-01");
    Data.UserName.Set("J\xC3\xBCrgen");
    Data.ProcType.Set("i686");
    EXPECT_EQ(Render("<NAME=CompName>|<NAME=UserName>|<NAME=ProcType>"),
              "WORKSTATION-01|J\xC3\xBCrgen|i686");
    // A peer's record may claim more than the field holds.
    Data.ProcType.Length = 200;
    EXPECT_EQ(Render("<NAME=PROCTYPE\">"), "i686");
    EXPECT_EQ(Render("[<NAME=Blank>][<NAME=Blank SIZE=3 CHAR=->]"), "[][---]");
}

TEST_F(SystemTagsTest, DateTimeFromTheRecord) {
    Data.DateTime = EncodeDateTime(2004, 3, 5, 14, 7).value();
    EXPECT_EQ(Render("<NAME=DateTime FORMAT=\"'Date' dd/mm/yy 'Time' hh:nn\">"),
              "Date 05/03/04 Time 14:07");
    EXPECT_EQ(Render("<NAME=DateTime>"), "3/5/2004 2:07:00 PM");
    EXPECT_EQ(Render("<NAME=DateTime FORMAT=\"hh:nn>"), "14:07>");
    TDateLocale german;
    german.DateSeparator = ".";
    SetDateLocale(german);
    EXPECT_EQ(Render("<NAME=DateTime FORMAT=\"d/m/yy\">"), "5.3.04");
    Data.DateTime = 0;
    EXPECT_EQ(Render("<NAME=DateTime FORMAT=\"yyyy-mm-dd hh:nn\">"), "1899-12-30 00:00");
}

TEST_F(SystemTagsTest, DriveSpaceRegistersThenShowsTheMeasuredDrive) {
    const std::string tag = "<NAME=DriveSpace FORMAT=\"C FREE\">";
    EXPECT_EQ(Render("[" + tag + "]"), "[]");
    EXPECT_EQ(Data.Drives[1].Letter, 'C');
    EXPECT_EQ(Render(tag), "0"); // until the next drive measurement
    Data.Drives[1].FreeMB = 12345.5f;
    Data.Drives[1].TotalMB = 40960.0f;
    EXPECT_EQ(Render(tag), "12,346");
    EXPECT_EQ(Render("<NAME=DriveSpace FORMAT=\"c total\" DECIMAL DIV=1024>"), "40.00");
    EXPECT_EQ(Render("[<NAME=DriveSpace FORMAT=\"C\">]"), "[]");
    EXPECT_EQ(Render("[<NAME=DriveSpace>]"), "[]");

    Data.Drives[0].TotalMB = 3072.0f;
    EXPECT_EQ(Render("<NAME=DriveSpace FORMAT=\"ALL TOTAL\" DIV=1024 DECIMAL>"), "3.00");
    EXPECT_EQ(Render("<NAME=DriveSpace FORMAT=\"0 total\">"), "3,072");
    for (int slot = 2; slot <= 16; ++slot) EXPECT_EQ(Data.Drives[slot].Letter, 0) << slot;

    // Applying a format string registers the drives afresh.
    Formatters[5]->DecideIfActive(tag);
    EXPECT_EQ(Render("[" + tag + "]"), "[]");
    EXPECT_EQ(Data.Drives[1].Letter, 'C');
}

TEST_F(SystemTagsTest, SeventeenthDriveLetterIsNeverRegistered) {
    std::string line;
    for (char letter = 'A'; letter <= 'Q'; ++letter)
        line += std::string("<NAME=DriveSpace FORMAT=\"") + letter + " FREE\">|";
    EXPECT_EQ(Render(line), std::string(17, '|'));
    for (int slot = 1; slot <= 16; ++slot) {
        EXPECT_EQ(Data.Drives[slot].Letter, 'A' + slot - 1);
        Data.Drives[slot].FreeMB = static_cast<float>(slot);
    }
    EXPECT_EQ(Render(line), "1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16||");
    EXPECT_EQ(Data.Drives[0].Letter, 0);
}

TEST_F(SystemTagsTest, FileDataPicksLines) {
    const std::string f = File("f.txt", "a\r\nb\nc\n");
    EXPECT_EQ(FileData(f), "a");
    EXPECT_EQ(FileData(f + ",1"), "a");
    EXPECT_EQ(FileData(f + ", 2 "), "b");
    EXPECT_EQ(FileData(f + ",0"), "c");
    EXPECT_EQ(FileData(f + ",-1"), "b");
    EXPECT_EQ(FileData(f + ",-5"), "a");
    EXPECT_EQ(FileData(f + ",4") + FileData(f + ",9"), "cc");
    EXPECT_EQ(FileData(f + ",x"), "a"); // a line that is no number is the first
    EXPECT_EQ(FileData(f + ",3 junk after the tenth character"), "a");

    const std::string crs = File("cr.txt", "one\rtwo\r\n\nfour\r");
    EXPECT_EQ(FileData(crs + ",2") + "|" + FileData(crs + ",3") + "|" + FileData(crs + ",0"),
              "two||four");
    EXPECT_EQ(FileData(File("nul.txt", std::string("x\ny\0z\nw", 7)) + ",0"), "y");
}

TEST_F(SystemTagsTest, FileDataCutsColumnsLengthsAndWords) {
    const std::string f = File("w.txt", "abc def ghi\n x  y\n\xC3\xA4\xC3\xB6\xC3\xBC abc\n");
    EXPECT_EQ(FileData(f + ",1,5"), "def ghi");
    EXPECT_EQ(FileData(f + ",1,5,3"), "def");
    EXPECT_EQ(FileData(f + ",1,1,S2"), "abc def");
    EXPECT_EQ(FileData(f + ",1,1,S"), "abc");
    EXPECT_EQ(FileData(f + ",1,5,s9") + "|", "def ghi       |"); // missing words leave blanks
    EXPECT_EQ(FileData(f + ",2,1,S1") + "|" + FileData(f + ",2,1,S3") + "|", "| x |");
    EXPECT_EQ(FileData(f + ",2,2,S3") + "|", "x  y|");
    EXPECT_EQ(FileData(f + ",1,0") + "|" + FileData(f + ",1,-3"), "abc def ghi|abc def ghi");
    EXPECT_EQ(FileData(f + ",1,12") + "|" + FileData(f + ",1,99,2"), "|");
    EXPECT_EQ(FileData(f + ",1,-1,3") + "|" + FileData(f + ",1,0,3"), "abc def ghi|abc");
    EXPECT_EQ(FileData(f + ",1,9,0"), "ghi");
    EXPECT_EQ(FileData(f + ",1,1,3,extra"), "abc");
    // Columns and lengths count characters, not bytes.
    EXPECT_EQ(FileData(f + ",3,2,2"), "\xC3\xB6\xC3\xBC");
}

TEST_F(SystemTagsTest, FileDataDivision) {
    const std::string f = File("n.txt", "1000\n-7\nabc\n2147483648\n");
    EXPECT_EQ(FileData(f + ",1", " DIV=3"), "333");
    EXPECT_EQ(FileData(f + ",2", " DIV=2"), "-3");
    EXPECT_EQ(FileData(f + ",1", " DIV=1"), "1000");
    EXPECT_EQ(FileData(f + ",1", " DIV=0"), "1000");
    EXPECT_EQ(FileData(f + ",3", " DIV=3"), "Illegal Division");
    EXPECT_EQ(FileData(f + ",4", " DIV=3"), "Illegal Division");
    EXPECT_EQ(FileData(f + ",1,2,2", " DIV=2"), "0");
}

TEST_F(SystemTagsTest, FileDataFailures) {
    const std::string missing = "ERROR - Line definition is missing";
    EXPECT_EQ(Render("<NAME=FILEDATA>"), missing);
    EXPECT_EQ(FileData("f.txt,"), missing);
    EXPECT_EQ(FileData(""), missing);
    EXPECT_EQ(FileData((Dir / "none.txt").string() + ",1") + "|", "|");
    EXPECT_EQ(FileData(File("empty.txt", "") + ",0") + "|", "|");
    EXPECT_EQ(FileData(Dir.string()) + "|", "|");
    // Bad numbers in the longer forms are errors for the general handler.
    const std::string f = File("f.txt", "a\n");
    EXPECT_THROW(FileData(f + ",x,1"), EConvertError);
    EXPECT_THROW(FileData(f + ",1,"), EConvertError);
    EXPECT_THROW(FileData(f + ",1,1,Sx"), EConvertError);
    EXPECT_THROW(FileData(f + ",1,1, 2x"), EConvertError);
}

TEST_F(SystemTagsTest, FileDataReadsWindowsTextAndRereadsEachTime) {
    const std::string f = File("ansi.txt", "caf\xE9 \x80\n");
    EXPECT_EQ(FileData(f), "caf\xC3\xA9 \xE2\x82\xAC");
    File("ansi.txt", "second\n");
    EXPECT_EQ(FileData(f), "second");
}

TEST_F(SystemTagsTest, TextFilesRefuseWhatIsNoRegularFile) {
    std::string out = "old";
    std::string error;
    const std::string fifo = (Dir / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(platform::ReadTextFile(fifo, out, &error)); // must not wait for a writer
    EXPECT_EQ(out, "");
    EXPECT_NE(error.find(fifo), std::string::npos);
    EXPECT_FALSE(platform::ReadTextFile("/dev/zero", out, &error));
    EXPECT_FALSE(platform::ReadTextFile((Dir / "none").string(), out, nullptr));
    ASSERT_TRUE(platform::ReadTextFile(File("x", std::string(10000, 'x')), out, &error));
    EXPECT_EQ(out.size(), 10000u);
}

} // namespace
