#include "settings/registry_file.h"

#include <gtest/gtest.h>

#include <random>

namespace keltrix {
namespace {

const std::string kSample = R"(REGEDIT4

[HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand]
"Version"=dword:000003ea
"Alpha"=dword:000000ff
"FontName"="MS Sans Serif"
"FontStyle"=hex:00
"LongestUptime"=hex:00,00,00,00,00,00,00,00
"FormatString"="Proc %: <NAME=ProcUsage FORMAT=\"ALL\">\r\nThreads: <NAME=Threads>"

[HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand\10.11.12.13:6130]
"Interval"=dword:000007d0

)";

const std::string kBase = R"(HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand)";

TRegistryFile Parse(const std::string& text) {
    return TRegistryFile::Parse(text, "test.reg");
}

TEST(RegistryFile, ReadsTheSettingsLayoutAndWritesItBackUnchanged) {
    const TRegistryFile file = Parse(kSample);
    ASSERT_EQ(file.Keys().size(), 2u);
    const TRegKey* key = file.FindKey(kBase);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->Values().size(), 6u);
    EXPECT_EQ(key->Find("Version")->Type, TRegDataType::Integer);
    EXPECT_EQ(key->Find("Version")->Number, 1002u);
    EXPECT_EQ(key->Find("FontName")->Text, "MS Sans Serif");
    EXPECT_EQ(key->Find("FontStyle")->Bytes, std::vector<std::uint8_t>{0});
    EXPECT_EQ(key->Find("LongestUptime")->Bytes, std::vector<std::uint8_t>(8, 0));
    EXPECT_EQ(key->Find("FormatString")->Text,
              "Proc %: <NAME=ProcUsage FORMAT=\"ALL\">\r\nThreads: <NAME=Threads>");
    EXPECT_EQ(file.FindKey(kBase + "\\10.11.12.13:6130")->Find("Interval")->Number, 2000u);

    EXPECT_EQ(file.Write(), kSample);
}

TEST(RegistryFile, EscapesEveryCharacterThatWouldBreakALine) {
    TRegistryFile file;
    TRegValue value;
    value.Name = "a \"quoted\" \\ name";
    value.Text = "back\\slash \"quote\"\r\nnext\tline";
    file.CreateKey(kBase).Set(value);
    const std::string text = file.Write();
    EXPECT_NE(text.find(R"("a \"quoted\" \\ name"="back\\slash \"quote\"\r\nnext\tline")"),
              std::string::npos)
        << text;
    EXPECT_EQ(Parse(text), file);
}

TEST(RegistryFile, NamesIgnoreCaseAndKeepTheirFirstSpellingAndPlace) {
    const TRegistryFile file = Parse("REGEDIT4\n"
                                     "[HKEY_CURRENT_USER\\Software\\X]\n"
                                     "\"TRAYKEY_Mods\"=dword:00000001\n"
                                     "\"Other\"=dword:00000002\n"
                                     "[hkey_current_user\\software\\x]\n"
                                     "\"TRAYKEY_MODS\"=dword:00000003\n");
    ASSERT_EQ(file.Keys().size(), 1u);
    const TRegKey& key = file.Keys()[0];
    EXPECT_EQ(key.Path(), "HKEY_CURRENT_USER\\Software\\X");
    ASSERT_EQ(key.Values().size(), 2u);
    EXPECT_EQ(key.Values()[0].Name, "TRAYKEY_Mods");
    EXPECT_EQ(key.Values()[0].Number, 3u);
    EXPECT_EQ(key.Find("trAYkey_mods"), &key.Values()[0]);
    // Only ASCII letters fold.
    EXPECT_EQ(FoldCase("ÄBC"), "Äbc");
}

TEST(RegistryFile, KeysKeepCreationOrderAndValuesFirstWriteOrder) {
    TRegistryFile file;
    for (const char* path :
         {"HKEY_CURRENT_USER\\B", "HKEY_CURRENT_USER\\A", "HKEY_CURRENT_USER\\C"})
        file.CreateKey(path);
    TRegKey& key = *file.FindKey("HKEY_CURRENT_USER\\A");
    for (const char* name : {"z", "y", "x"}) {
        TRegValue value;
        value.Name = name;
        EXPECT_TRUE(key.Set(value));
    }
    TRegValue rewritten;
    rewritten.Name = "Z";
    rewritten.Type = TRegDataType::Integer;
    EXPECT_TRUE(key.Set(rewritten));
    EXPECT_FALSE(key.Set(rewritten)); // same data: nothing to write
    EXPECT_TRUE(key.Remove("Y"));
    EXPECT_FALSE(key.Remove("y"));

    const TRegistryFile back = Parse(file.Write());
    EXPECT_EQ(back, file);
    std::vector<std::string> order;
    for (const TRegKey& k : back.Keys()) order.push_back(k.Path());
    EXPECT_EQ(order, (std::vector<std::string>{"HKEY_CURRENT_USER\\B", "HKEY_CURRENT_USER\\A",
                                               "HKEY_CURRENT_USER\\C"}));
    const TRegKey& a = *back.FindKey("HKEY_CURRENT_USER\\A");
    ASSERT_EQ(a.Values().size(), 2u);
    EXPECT_EQ(a.Values()[0].Name, "z");
    EXPECT_EQ(a.Values()[0].Type, TRegDataType::Integer);
    EXPECT_EQ(a.Values()[1].Name, "x");
}

TEST(RegistryFile, AcceptsWhatEditorsAndRegeditProduce) {
    const std::string text = "\xEF\xBB\xBF"
                             "REGEDIT4\r\n"
                             "\r\n"
                             "; hand-written comment\r\n"
                             "[HKEY_CURRENT_USER\\Software\\X]   \r\n"
                             "@=\"default\"\r\n"
                             "  \"Spaced\" = dword:FF  \r\n"
                             "\"Long\"=hex:01,02,\\\r\n"
                             "  03,04\r\n"
                             "\"Wrapped early\"=hex:\\\n"
                             "  0a\n"
                             "\"Empty\"=hex:\n"
                             "\"Expand\"=hex(2):41,00,00,00\n"
                             "\"Three\"=hex(3):05\n"
                             "\"Raw tab\"=\"a\tb\"";
    const TRegistryFile file = Parse(text);
    const TRegKey& key = *file.FindKey("HKEY_CURRENT_USER\\Software\\X");
    EXPECT_EQ(key.Find("")->Text, "default");
    EXPECT_EQ(key.Find("@"), nullptr);
    EXPECT_EQ(key.Find("spaced")->Number, 255u);
    EXPECT_EQ(key.Find("Long")->Bytes, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(key.Find("Wrapped early")->Bytes, std::vector<std::uint8_t>{10});
    EXPECT_TRUE(key.Find("Empty")->Bytes.empty());
    EXPECT_EQ(key.Find("Expand")->Type, TRegDataType::Other);
    EXPECT_EQ(key.Find("Expand")->OtherType, 2u);
    EXPECT_EQ(key.Find("Three")->Type, TRegDataType::Binary);
    EXPECT_EQ(key.Find("Raw tab")->Text, "a\tb");
    EXPECT_EQ(Parse(file.Write()), file);

    EXPECT_TRUE(Parse("").Keys().empty());
    EXPECT_TRUE(Parse("\n  \r\n").Keys().empty());
}

struct TBadText {
    const char* Text;
    int Line;
    const char* Reason;
};

TEST(RegistryFile, RejectsBadTextNamingFileLineAndReason) {
    const TBadText cases[] = {
        {"[HKEY_CURRENT_USER\\X]\n", 1, "REGEDIT4"},
        {"\n\nREGEDIT4\n\"a\"=dword:1\n", 4, "before the first [key]"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\X\n", 2, "]"},
        {"REGEDIT4\n[HKEY_CURRENT_USER\\\\X]\n", 2, "invalid key path"},
        {"REGEDIT4\n[-HKEY_CURRENT_USER\\X]\n", 2, "not supported"},
        {"REGEDIT4\n[K]\n\"a\"=-\n", 3, "not supported"},
        {"REGEDIT4\n[K]\n\"a\"=\"x\\q\"\n", 3, "unknown escape"},
        {"REGEDIT4\n[K]\n\"a\"=\"open\n", 3, "closing quote"},
        {"REGEDIT4\n[K]\n\"a\" dword:1\n", 3, "\"=\""},
        {"REGEDIT4\n[K]\n\"a\"=dword:123456789\n", 3, "unexpected text"},
        {"REGEDIT4\n[K]\n\"a\"=dword:\n", 3, "hex digits"},
        {"REGEDIT4\n[K]\n\"a\"=\"x\" trailing\n", 3, "unexpected text"},
        {"REGEDIT4\n[K]\n\"a\"=qword:1\n", 3, "unknown value type"},
        {"REGEDIT4\n[K]\n\"a\"=hex:0g\n", 3, "\",\" expected"},
        {"REGEDIT4\n[K]\n\"a\"=hex:00,\n", 3, "after the last"},
        {"REGEDIT4\n[K]\n\"a\"=hex:00,\\\n  01,zz\n", 4, "hex byte expected"},
        {"REGEDIT4\n[K]\n\"a\"=hex:00,\\\n", 3, "past the end"},
        {"REGEDIT4\n[K]\njunk\n", 3, "expected a [key] line"},
        {"\xFF\xFER\0E\0", 1, "UTF-16"},
    };
    for (const TBadText& c : cases) {
        SCOPED_TRACE(c.Text);
        try {
            TRegistryFile::Parse(c.Text, "/cfg/registry.reg");
            ADD_FAILURE() << "parsed";
        } catch (const ERegistryFileError& e) {
            EXPECT_EQ(e.Line(), c.Line);
            EXPECT_NE(e.Reason().find(c.Reason), std::string::npos) << e.Reason();
            EXPECT_EQ(std::string(e.what()).rfind(
                          "/cfg/registry.reg, line " + std::to_string(c.Line) + ": ", 0),
                      0u)
                << e.what();
        }
    }
}

TEST(RegistryFile, DeletesAKeyWithEverythingBelowItButNoSiblingSharingItsPrefix) {
    TRegistryFile file;
    file.CreateKey(kBase);
    file.CreateKey(kBase + "\\a:6130");
    file.CreateKey(kBase + "\\a:6130\\deeper");
    file.CreateKey(kBase + "2");
    file.CreateKey(kBase + "2\\child");

    EXPECT_TRUE(file.KeyExists("HKEY_CURRENT_USER\\SOFTWARE"));
    EXPECT_FALSE(file.KeyExists("HKEY_CURRENT_USER\\Soft"));
    EXPECT_EQ(file.SubKeyNames("hkey_current_user\\software\\orlenwickstudios"),
              (std::vector<std::string>{"Vistrand", "Vistrand2"}));

    EXPECT_TRUE(file.DeleteKey(FoldCase(kBase)));
    EXPECT_FALSE(file.DeleteKey(kBase));
    ASSERT_EQ(file.Keys().size(), 2u);
    EXPECT_EQ(file.Keys()[0].Path(), kBase + "2");
    EXPECT_EQ(file.Keys()[1].Path(), kBase + "2\\child");
    EXPECT_NE(file.FindKey(kBase + "2\\CHILD"), nullptr);
    EXPECT_EQ(file.FindKey(kBase + "\\a:6130"), nullptr);
}

TEST(RegistryFile, RefusesKeyPathsThatCannotBeWrittenBack) {
    for (const char* path : {"", "\\A", "A\\", "A\\\\B", "-A", "A\nB", "A\rB"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(TRegistryFile::IsValidKeyPath(path));
        TRegistryFile file;
        EXPECT_THROW(file.CreateKey(path), ERegistryException);
    }
    EXPECT_TRUE(TRegistryFile::IsValidKeyPath("A\\ odd ] [name\\-b"));
}

// Any content, however odd its names and data (long byte strings wrap), reads back as written.
TEST(RegistryFile, RandomContentSurvivesWriteAndParse) {
    std::mt19937 random(20240611);
    const std::string alphabet = std::string("aZ09 \\\"[]=@;,:-\t\r\n\x01\x7f\xc3\xa4\0", 23);
    auto text = [&](std::size_t maxLength) {
        std::string s(random() % (maxLength + 1), ' ');
        for (char& c : s) c = alphabet[random() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 200; ++round) {
        TRegistryFile file;
        for (int k = static_cast<int>(random() % 4); k > 0; --k) {
            std::string path = "HKEY_CURRENT_USER\\" + text(6);
            for (char& c : path)
                if (static_cast<unsigned char>(c) < 0x20) c = '_';
            if (!TRegistryFile::IsValidKeyPath(path)) continue;
            TRegKey& key = file.CreateKey(path);
            for (int v = static_cast<int>(random() % 6); v > 0; --v) {
                TRegValue value;
                value.Name = text(8);
                value.Type = static_cast<TRegDataType>(random() % 4);
                if (value.Type == TRegDataType::String) value.Text = text(40);
                if (value.Type == TRegDataType::Integer) value.Number = random();
                if (value.Type == TRegDataType::Other) value.OtherType = random() % 3 == 0 ? 2 : 11;
                if (value.Type == TRegDataType::Binary || value.Type == TRegDataType::Other)
                    for (std::size_t n = random() % 100; n > 0; --n)
                        value.Bytes.push_back(static_cast<std::uint8_t>(random()));
                key.Set(value);
            }
        }
        const std::string written = file.Write();
        ASSERT_EQ(Parse(written), file) << written;
        EXPECT_EQ(Parse(written).Write(), written);
    }
}

} // namespace
} // namespace keltrix
