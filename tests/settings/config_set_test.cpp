#include "base/errors.h"
#include "settings/config_set.h"
#include "settings/registry_store.h"
#include "settings_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace keltrix {
namespace {

using testing::ReadAll;
using testing::TTempDir;
using testing::WriteAll;

TConfigSet FullSet() {
    TConfigSet set;
    set.FontName = "DejaVu Sans";
    set.FontColor = 255;
    set.FontSize = 12;
    set.FontPitch = 2;
    set.Align = 1;
    set.UseFileNameAsBackground = false;
    set.BGFileName = "/home/u/a=b.png";
    set.BGColor = -2147483633; // clBtnFace
    set.AOT = true;
    set.Alpha = 128;
    set.PinToDesktop = false;
    set.Trans = true;
    set.X = 300;
    set.Y = 20;
    set.FormatString = "CPU <NAME=ProcUsage>%\r\n\r\n<B>Up</B> <NAME=Uptime>\r\n";
    return set;
}

// The file as the given keys and format lines make it, CR LF ended.
std::string File(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

TEST(ConfigSetFile, IsWrittenInItsFixedOrderWithCrLf) {
    EXPECT_EQ(PackConfigSet(FullSet()), File({"FONTNAME=DejaVu Sans",
                                              "FONTCOLOR=255",
                                              "FONTSIZE=12",
                                              "FONTPITCH=2",
                                              "FONTSTYLE=RESERVED",
                                              "ALIGN=1",
                                              "USEFILENAMEASBACKGROUND=NO",
                                              "BGFILENAME=/home/u/a=b.png",
                                              "BGCOLOR=-2147483633",
                                              "AOT=YES",
                                              "ALPHA=128",
                                              "PINTODESKTOP=NO",
                                              "TRANS=YES",
                                              "X=300",
                                              "Y=20",
                                              "FORMATSTRING",
                                              "CPU <NAME=ProcUsage>%",
                                              "",
                                              "<B>Up</B> <NAME=Uptime>",
                                              ""}));
}

TEST(ConfigSetFile, ReadsBackWhatWasWritten) {
    const TConfigSet set = FullSet();
    const TConfigSetFile file = ParseConfigSet(PackConfigSet(set));
    EXPECT_TRUE(file.HasFormatString);
    EXPECT_EQ(file.Set, set);
    // An empty format string survives too: one empty line after the marker.
    TConfigSet empty = set;
    empty.FormatString.clear();
    EXPECT_EQ(ParseConfigSet(PackConfigSet(empty)).Set, empty);
    EXPECT_TRUE(ParseConfigSet(PackConfigSet(empty)).HasFormatString);
}

TEST(ConfigSetFile, IsWindows1252UnlessACharacterHasNoPlaceThere) {
    TConfigSet set = FullSet();
    set.FormatString = "Temp 42\xC2\xB0"
                       "C"; // the degree sign
    std::string bytes = PackConfigSet(set);
    EXPECT_NE(bytes.find("Temp 42\xB0"
                         "C\r\n"),
              std::string::npos);
    EXPECT_EQ(ParseConfigSet(bytes).Set.FormatString, set.FormatString);

    for (const char* text : {"\xD0\x9F\xD1\x80\xD0\xBE\xD1\x86 \xE2\x86\x92", // Cyrillic, an arrow
                             "\xC3\x83\xC2\xA9"}) { // "Ã©", whose ANSI bytes are UTF-8 "é"
        set.FormatString = text;
        bytes = PackConfigSet(set);
        EXPECT_NE(bytes.find(set.FormatString), std::string::npos) << "kept as UTF-8, no '?'";
        EXPECT_EQ(ParseConfigSet(bytes).Set.FormatString, set.FormatString);
    }
}

TEST(ConfigSetFile, RefusesANameThatALineCannotHold) {
    TConfigSet set = FullSet();
    set.BGFileName = "two\nlines.png";
    EXPECT_THROW(PackConfigSet(set), EInOutError);
}

TEST(ConfigSetFile, TakesKeysInAnyOrderWithoutFontStyleAndIgnoresLowerCaseKeys) {
    const TConfigSetFile file = ParseConfigSet(
        File({"Y=7", "x=99", "FontName=Ignored", "FONTNAME=Tahoma", "ALIGN=2", "NOSUCHKEY=1",
              "no equals sign", "=5", "formatstring", "line one", "X=3"}));
    EXPECT_TRUE(file.HasFormatString);
    EXPECT_EQ(file.Set.FontName, "Tahoma");
    EXPECT_EQ(file.Set.Align, 2);
    EXPECT_EQ(file.Set.Y, 7);
    EXPECT_EQ(file.Set.X, -1) << "lower-case x is no key; X=3 is after the marker";
    EXPECT_EQ(file.Set.FormatString, "line one\r\nX=3");
    // Keys not in the file stay "not given".
    EXPECT_EQ(file.Set.FontSize, -1);
    EXPECT_FALSE(file.Set.AOT);
    EXPECT_FALSE(file.Set.Alpha);
    EXPECT_FALSE(file.Set.BGColor);
}

TEST(ConfigSetFile, ReadsEachKindOfValue) {
    const TConfigSetFile file =
        ParseConfigSet(File({"APLHA=128", "AOT=yes", "TRANS=YES ", "PINTODESKTOP=Yes", "X=-5",
                             "FONTSIZE=9", "FONTSIZE=11", "BGFILENAME=C:\\pics\\a=b=c.bmp",
                             "USEFILENAMEASBACKGROUND=YES", "FORMATSTRING", "<NAME=CompName>"}));
    EXPECT_EQ(file.Set.Alpha, 128);
    EXPECT_EQ(file.Set.AOT, true);
    EXPECT_EQ(file.Set.Trans, false) << "only YES, in any letter case, is yes";
    EXPECT_EQ(file.Set.PinToDesktop, true);
    EXPECT_EQ(file.Set.X, -5);
    EXPECT_EQ(file.Set.FontSize, 11) << "the last of a repeated key wins";
    EXPECT_EQ(file.Set.BGFileName, "C:\\pics\\a=b=c.bmp");
    EXPECT_EQ(file.Set.UseFileNameAsBackground, true);
    EXPECT_EQ(ParseConfigSet(File({"ALPHA=0", "FORMATSTRING", ""})).Set.Alpha, 0);
}

TEST(ConfigSetFile, WithoutAFormatStringHasNone) {
    EXPECT_FALSE(ParseConfigSet(File({"FONTNAME=Tahoma", "X=4"})).HasFormatString);
    EXPECT_FALSE(ParseConfigSet("FONTNAME=Tahoma\r\nFORMATSTRING").HasFormatString);
    EXPECT_FALSE(ParseConfigSet(File({"FONTNAME=Tahoma", "FORMATSTRING"})).HasFormatString);
    EXPECT_FALSE(ParseConfigSet("").HasFormatString);
}

TEST(ConfigSetFile, BadNumbersNameTheLineAndTheKey) {
    const auto error = [](const std::string& text) -> std::string {
        try {
            ParseConfigSet(text);
        } catch (const EConvertError& e) {
            return std::string("convert: ") + e.what();
        } catch (const ERangeError& e) {
            return std::string("range: ") + e.what();
        }
        return "none";
    };
    EXPECT_EQ(error(File({"FONTNAME=a", "FONTSIZE=ten", "FORMATSTRING", "x"})),
              "convert: line 2: FONTSIZE='ten' is not a valid integer value");
    EXPECT_EQ(error(File({"X=", "FORMATSTRING", "x"})),
              "convert: line 1: X='' is not a valid integer value");
    EXPECT_EQ(error(File({"ALPHA=256", "FORMATSTRING", "x"})),
              "range: line 1: ALPHA=256 is out of range (0..255)");
    EXPECT_EQ(error(File({"APLHA=-1", "FORMATSTRING", "x"})),
              "range: line 1: APLHA=-1 is out of range (0..255)");
    EXPECT_EQ(error(File({"FONTSIZE=5000", "FORMATSTRING", "x"})).substr(0, 25),
              "range: line 1: FONTSIZE=5");
    EXPECT_EQ(error(File({"BGCOLOR=99999999999", "FORMATSTRING", "x"})).substr(0, 9), "convert: ");
    // After the marker everything is format string, numbers or not.
    EXPECT_EQ(error(File({"FORMATSTRING", "ALPHA=999"})), "none");
}

TEST(ConfigSetFile, ReadsFilesWrittenOnWindowsAndOnLinux) {
    // Windows-1252 bytes and CR LF.
    TConfigSetFile file = ParseConfigSet("FONTNAME=Caf\xE9\r\nFORMATSTRING\r\n\xB0"
                                         "C\r\nb\r\n");
    EXPECT_EQ(file.Set.FontName, "Caf\xC3\xA9");
    EXPECT_EQ(file.Set.FormatString, "\xC2\xB0"
                                     "C\r\nb");
    // UTF-8 with the byte-order mark an editor puts first, and LF alone.
    file = ParseConfigSet("\xEF\xBB\xBF"
                          "FONTNAME=Caf\xC3\xA9\nFORMATSTRING\n\xC2\xB0"
                          "C\nb\n");
    EXPECT_EQ(file.Set.FontName, "Caf\xC3\xA9");
    EXPECT_EQ(file.Set.FormatString, "\xC2\xB0"
                                     "C\r\nb");
}

class ConfigSetFiles : public ::testing::Test {
protected:
    TTempDir Dir;
};

TEST_F(ConfigSetFiles, ErrorsNameTheFile) {
    const std::string missing = Dir.File("missing.kcfg");
    try {
        ReadConfigSetFile(missing);
        FAIL() << "a missing file was read";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    const std::string bad = Dir.File("bad.kcfg");
    WriteAll(bad, File({"FONTSIZE=x", "FORMATSTRING", "a"}));
    try {
        ReadConfigSetFile(bad);
        FAIL() << "a bad number was read";
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()),
                  bad + ", line 1: FONTSIZE='x' is not a valid integer value");
    }
    const std::string big = Dir.File("big.kcfg");
    WriteAll(big, std::string(MaxConfigSetFileSize + 1, 'a'));
    EXPECT_THROW(ReadConfigSetFile(big), EInOutError);
    EXPECT_THROW(ReadConfigSetFile(Dir.Path()), EInOutError) << "a folder is no file";
}

TEST_F(ConfigSetFiles, AFailedWriteLeavesTheOldFile) {
    const std::string path = Dir.File("set.kcfg");
    WriteConfigSetFile(path, FullSet());
    EXPECT_EQ(ReadConfigSetFile(path).Set, FullSet());
    TConfigSet bad = FullSet();
    bad.FontName = "a\rb";
    EXPECT_THROW(WriteConfigSetFile(path, bad), EInOutError);
    EXPECT_THROW(WriteConfigSetFile(Dir.File("no/such/folder/set.kcfg"), FullSet()), EInOutError);
    EXPECT_EQ(ReadConfigSetFile(path).Set, FullSet());
}

TEST_F(ConfigSetFiles, TheStoredLookGetsDefaultsForWhatIsMissing) {
    TRegistryStore store(Dir.File("registry.reg"));
    ASSERT_TRUE(store.OpenKey(R"(Software\OrlenwickStudios\Vistrand)", true));
    store.WriteString("FontName", "Tahoma");
    store.WriteInteger("Alpha", 300); // edited by hand
    store.WriteInteger("X", 12);
    const TConfigSet set = StoredConfigSet(store);
    EXPECT_EQ(set.FontName, "Tahoma");
    EXPECT_EQ(set.FontColor, 32768);
    EXPECT_EQ(set.FontSize, 8);
    EXPECT_EQ(set.BGColor, 16777215);
    EXPECT_EQ(set.Alpha, 255) << "kept inside what a file can hold";
    EXPECT_EQ(set.X, 12);
    EXPECT_EQ(set.Y, -1);
    EXPECT_EQ(set.FormatString, "");
    // The missing values were written, the present ones left.
    EXPECT_EQ(store.ReadInteger("FontColor"), 32768);
    EXPECT_EQ(store.ReadString("BGFileName"), "");
    EXPECT_FALSE(store.ReadBool("PinToDesktop"));
    EXPECT_EQ(store.ReadString("FontName"), "Tahoma");
    EXPECT_EQ(store.ReadInteger("Alpha"), 300);
}

TEST_F(ConfigSetFiles, AreListedByNameUserSetsFirst) {
    namespace fs = std::filesystem;
    const std::string user = Dir.File("user"), shipped = Dir.File("shipped");
    fs::create_directories(user);
    fs::create_directories(shipped);
    EXPECT_TRUE(ListConfigSets({user, shipped, Dir.File("none")}).empty());
    for (const char* name : {"zeta.kcfg", "Alpha.KCFG", ".hidden.kcfg", "notes.txt", "kcfg"})
        WriteAll(user + "/" + name, "x");
    fs::create_directories(user + "/folder.kcfg");
    for (const char* name : {"alpha.kcfg", "beta.kcfg"}) WriteAll(shipped + "/" + name, "x");
    std::vector<std::string> captions, paths;
    for (const auto& entry : ListConfigSets({user, shipped})) {
        captions.push_back(entry.Caption);
        paths.push_back(entry.Path);
    }
    EXPECT_EQ(captions, (std::vector<std::string>{".hidden", "Alpha", "zeta", "beta"}));
    EXPECT_EQ(paths[1], user + "/Alpha.KCFG") << "a user's set hides a shipped one of its name";
    EXPECT_EQ(paths[3], shipped + "/beta.kcfg");
}

} // namespace
} // namespace keltrix
