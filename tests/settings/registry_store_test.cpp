#include "settings/registry_store.h"
#include "settings_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keltrix {
namespace {

using testing::ReadAll;
using testing::TTempDir;
using testing::WriteAll;

const std::string kBaseKey = R"(Software\OrlenwickStudios\Vistrand)";
const std::string kBasePath = R"(HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand)";

class RegistryStore : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string File = Dir.File("keltrix/registry.reg");

    TRegistryFile OnDisk() const { return TRegistryFile::Parse(ReadAll(File), File); }
};

TEST_F(RegistryStore, StoresEachTypeAndReadsItBack) {
    TRegistryStore store(File);
    EXPECT_EQ(store.LoadError(), "");
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    EXPECT_EQ(store.CurrentPath(), kBasePath);
    store.WriteInteger("Alpha", -2);
    store.WriteBool("AOT", true);
    store.WriteBool("Trans", false);
    store.WriteString("FontName", "MS Sans Serif");
    const std::int64_t uptime = 0x0102030405060708;
    store.WriteBinaryData("LongestUptime", &uptime, sizeof uptime);

    EXPECT_EQ(store.ReadInteger("alpha"), -2);
    EXPECT_TRUE(store.ReadBool("AOT"));
    EXPECT_FALSE(store.ReadBool("Trans"));
    EXPECT_EQ(store.ReadString("FontName"), "MS Sans Serif");
    std::int64_t back = 0;
    EXPECT_EQ(store.ReadBinaryData("LongestUptime", &back, sizeof back), 8u);
    EXPECT_EQ(back, uptime);
    EXPECT_EQ(store.GetValueNames(),
              (std::vector<std::string>{"Alpha", "AOT", "Trans", "FontName", "LongestUptime"}));

    const std::string text = ReadAll(File);
    EXPECT_NE(text.find("[" + kBasePath + "]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Alpha\"=dword:fffffffe\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"AOT\"=dword:00000001\n\"Trans\"=dword:00000000\n"), std::string::npos);
    EXPECT_NE(text.find("\"LongestUptime\"=hex:08,07,06,05,04,03,02,01\n"), std::string::npos);

    // A fresh store sees the same, and any non-zero integer is true.
    TRegistryStore again(File);
    ASSERT_TRUE(again.OpenKey(kBaseKey, false));
    again.WriteInteger("AOT", 5);
    EXPECT_TRUE(again.ReadBool("aot"));
    EXPECT_EQ(again.ReadString("FONTNAME"), "MS Sans Serif");
}

TEST_F(RegistryStore, MistypedOrMissingValuesReadAsMissingAndAreToldOnce) {
    TRegistryStore store(File);
    std::vector<std::string> told;
    store.SetProblemSink([&](const std::string& m) { told.push_back(m); });
    store.ExpectTypes({{"interval", TRegDataType::Integer},
                       {"exclude", TRegDataType::String},
                       {"fontstyle", TRegDataType::Binary}});
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    store.WriteString("Interval", "100");
    const std::uint8_t ab[2] = {0x41, 0x42};
    store.WriteBinaryData("Exclude", ab, sizeof ab);
    store.WriteBinaryData("FontStyle", ab, sizeof ab);
    store.WriteInteger("Count", 1);
    ASSERT_TRUE(told.empty());

    // Expected types: the value counts as missing, so its reader keeps the built-in value.
    EXPECT_FALSE(store.ValueExists("interval"));
    EXPECT_FALSE(store.ValueExists("Interval"));
    EXPECT_TRUE(store.ValueStored("Interval"));
    EXPECT_EQ(store.StoredType("Interval"), TRegDataType::String);
    EXPECT_FALSE(store.ValueExists("Exclude"));
    EXPECT_EQ(told, (std::vector<std::string>{
                        "Settings value \"interval\" is a string, not an integer: the built-in "
                        "value is used",
                        "Settings value \"Interval\" is a string, not an integer: the built-in "
                        "value is used",
                        "Settings value \"Exclude\" is binary data, not a string: the built-in "
                        "value is used"}));
    told.clear();

    // Reads without a test answer what a missing value gives, and say why once (the mistyped
    // Interval was told above already).
    EXPECT_EQ(store.ReadInteger("Interval"), 0);
    EXPECT_FALSE(store.ReadBool("Interval"));
    EXPECT_EQ(store.ReadString("Count"), "");
    EXPECT_EQ(store.ReadString("Count"), "");
    std::uint8_t style = 7;
    EXPECT_TRUE(store.ValueExists("FontStyle"));
    EXPECT_EQ(store.ReadBinaryData("FontStyle", &style, 1), 0u);
    EXPECT_EQ(style, 7);
    EXPECT_EQ(store.ReadInteger("Missing"), 0);
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[0], "Settings value \"Count\" is an integer, not a string: the built-in "
                       "value is used");
    EXPECT_EQ(told[1], "Settings value \"FontStyle\" holds 2 bytes, more than its 1: the "
                       "built-in value is used");
    EXPECT_EQ(told[2], "Settings value \"Missing\" is missing in " + kBasePath +
                           ": the built-in value is used");
    told.clear();

    // Missing strings and bytes read as empty, as the platform reads them, without a word.
    std::uint8_t buffer[8];
    EXPECT_EQ(store.ReadString("Missing"), "");
    EXPECT_EQ(store.ReadBinaryData("Missing", buffer, sizeof buffer), 0u);
    EXPECT_FALSE(store.ValueExists("Missing"));
    EXPECT_FALSE(store.ValueStored("Missing"));
    EXPECT_TRUE(told.empty());
    // Names without an expected type are taken as stored.
    EXPECT_TRUE(store.ValueExists("Count"));
}

TEST_F(RegistryStore, ProblemsToldBeforeASinkWaitForIt) {
    TRegistryStore store(File);
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    store.WriteString("Interval", "100");
    EXPECT_EQ(store.ReadInteger("Interval"), 0);
    std::vector<std::string> told;
    store.SetProblemSink([&](const std::string& m) { told.push_back(m); });
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(store.ReadInteger("Interval"), 0);
    EXPECT_EQ(told.size(), 1u);
}

TEST_F(RegistryStore, WithoutAnOpenKeyWritesAreToldAndDropped) {
    TRegistryStore store(File);
    std::vector<std::string> told;
    store.SetProblemSink([&](const std::string& m) { told.push_back(m); });
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    store.WriteInteger("Count", 1);
    store.CloseKey();
    EXPECT_FALSE(store.ValueExists("Count"));
    EXPECT_EQ(store.ReadInteger("Count"), 0);
    store.WriteInteger("Count", 2);
    store.WriteString("Other", "x");
    EXPECT_FALSE(store.DeleteValue("Count"));
    EXPECT_EQ(told, (std::vector<std::string>{
                        "Settings value \"Count\" cannot be read: no key is open: the "
                        "built-in value is used",
                        "settings cannot be saved: no settings key is open"}));
    told.clear();

    // A client's key of a host that begins with a backslash cannot be a key name.
    const std::string client = kBaseKey + "\\\\x:6130";
    EXPECT_FALSE(store.OpenKey(client, true));
    store.WriteInteger("X", 5);
    store.WriteInteger("Y", 5);
    EXPECT_EQ(told, (std::vector<std::string>{"settings cannot be saved: the key name \"" + client +
                                              "\" is not valid"}));
    EXPECT_EQ(OnDisk().FindKey(kBasePath)->Values().size(), 1u);
}

TEST_F(RegistryStore, AFolderThatCannotBeCreatedKeepsTheValuesInMemory) {
    WriteAll(Dir.File("plain"), "a file, not a folder\n");
    const std::string file = Dir.File("plain/keltrix/registry.reg");
    TRegistryStore store(file);
    std::vector<std::string> told;
    store.SetProblemSink([&](const std::string& m) { told.push_back(m); });
    EXPECT_EQ(store.LoadError(), "");
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    store.WriteInteger("Version", 1002);
    store.WriteString("FontName", "MS Sans Serif");
    EXPECT_EQ(store.ReadInteger("Version"), 1002);
    EXPECT_EQ(store.ReadString("FontName"), "MS Sans Serif");
    EXPECT_TRUE(store.DeleteValue("FontName"));
    EXPECT_FALSE(store.ValueExists("FontName"));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind("settings cannot be saved: cannot create folder ", 0), 0u) << told[0];
    EXPECT_NE(told[0].find("Not a directory"), std::string::npos) << told[0];
    EXPECT_EQ(ReadAll(Dir.File("plain")), "a file, not a folder\n");
}

TEST_F(RegistryStore, AFileThatCannotBeWrittenIsLeftAsItIsAndSavedWhenItCanBe) {
    // Root writes anywhere, but not through a lock file that is a folder.
    std::filesystem::create_directories(Dir.File("keltrix"));
    const std::string before = "REGEDIT4\n\n[" + kBasePath + "]\n\"Alpha\"=dword:00000001\n";
    WriteAll(File, before);
    std::filesystem::create_directory(File + ".lock");
    TRegistryStore store(File);
    std::vector<std::string> told;
    store.SetProblemSink([&](const std::string& m) { told.push_back(m); });
    ASSERT_TRUE(store.OpenKey(kBaseKey, false));
    store.WriteInteger("Alpha", 2);
    store.WriteInteger("Beta", 3);
    EXPECT_FALSE(store.DeleteKey(kBaseKey + "\\none"));
    EXPECT_TRUE(store.DeleteKey(kBaseKey + "\\"));
    EXPECT_TRUE(store.OpenKey(kBaseKey, true));
    store.WriteInteger("Alpha", 4);
    EXPECT_EQ(store.ReadInteger("Alpha"), 4);
    ASSERT_EQ(told.size(), 1u) << (told.empty() ? std::string("nothing told") : told.back());
    EXPECT_EQ(told[0].rfind("settings cannot be saved: cannot open " + File + ".lock: ", 0), 0u)
        << told[0];
    EXPECT_EQ(ReadAll(File), before);

    // Once it can be written, the next write saves what the run holds in memory.
    std::filesystem::remove(File + ".lock");
    store.WriteInteger("Gamma", 5);
    const TRegistryFile disk = OnDisk();
    const TRegKey* key = disk.FindKey(kBasePath);
    ASSERT_NE(key, nullptr);
    ASSERT_NE(key->Find("Alpha"), nullptr) << ReadAll(File);
    ASSERT_NE(key->Find("Gamma"), nullptr) << ReadAll(File);
    EXPECT_EQ(key->Find("Alpha")->Number, 4u);
    EXPECT_EQ(key->Find("Gamma")->Number, 5u);
    EXPECT_EQ(key->Find("Beta"), nullptr) << "deleted with the key";

    // A new failure after a save is told again.
    std::filesystem::remove(File + ".lock");
    std::filesystem::create_directory(File + ".lock");
    store.WriteInteger("Gamma", 6);
    EXPECT_EQ(told.size(), 2u);
}

TEST_F(RegistryStore, NamesDifferingOnlyInCaseAreOneValue) {
    TRegistryStore store(File);
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    store.WriteInteger("TRAYKEY_MODS", 2);
    store.WriteInteger("TRAYKEY_Mods", 6);
    store.WriteString("BGFilename", "a.bmp");
    store.WriteString("BGFileName", "b.bmp");
    EXPECT_EQ(store.GetValueNames(), (std::vector<std::string>{"TRAYKEY_MODS", "BGFilename"}));
    EXPECT_EQ(store.ReadInteger("TrayKey_Mods"), 6);
    EXPECT_EQ(store.ReadString("bgfilename"), "b.bmp");
    EXPECT_TRUE(store.DeleteValue("traykey_mods"));
    EXPECT_FALSE(store.DeleteValue("TRAYKEY_Mods"));
    EXPECT_FALSE(OnDisk().FindKey(kBasePath)->Find("TRAYKEY_Mods"));

    ASSERT_TRUE(store.OpenKey("\\SOFTWARE\\orlenwickstudios\\VISTRAND", false));
    EXPECT_EQ(store.ReadString("BGFileName"), "b.bmp");
    EXPECT_EQ(OnDisk().Keys().size(), 1u);
}

TEST_F(RegistryStore, OpensKeysFromTheUserRoot) {
    TRegistryStore store(File);
    EXPECT_FALSE(store.OpenKey(kBaseKey, false));
    EXPECT_FALSE(std::filesystem::exists(File)); // a failed open writes nothing
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    ASSERT_TRUE(store.OpenKey(kBaseKey + "\\a:6130", true));
    EXPECT_EQ(store.CurrentPath(), kBasePath + "\\a:6130");
    store.WriteInteger("Interval", 2000);
    ASSERT_TRUE(store.OpenKey("\\" + kBaseKey + "\\a:6131\\", true));
    EXPECT_EQ(store.CurrentPath(), kBasePath + "\\a:6131");
    EXPECT_FALSE(store.ValueExists("Interval"));
    EXPECT_TRUE(store.KeyExists(kBaseKey));

    store.CloseKey();
    EXPECT_EQ(store.CurrentPath(), "");
    EXPECT_TRUE(store.KeyExists("Software\\OrlenwickStudios")); // parent without a section
    ASSERT_TRUE(store.OpenKey(kBaseKey, false));
    EXPECT_EQ(store.GetKeyNames(), (std::vector<std::string>{"a:6130", "a:6131"}));
    EXPECT_FALSE(store.OpenKey("bad\\\\name", true));
    EXPECT_EQ(store.CurrentPath(), kBasePath);
}

TEST_F(RegistryStore, DeletesTheBaseKeyWithItsSubKeysButNotItsNamesakes) {
    {
        TRegistryStore store(File);
        ASSERT_TRUE(store.OpenKey(kBaseKey + "\\a:6130", true));
        store.WriteInteger("Interval", 2000);
        store.CloseKey();
        ASSERT_TRUE(store.OpenKey(kBaseKey + "2", true));
        store.WriteInteger("Keep", 1);
        store.CloseKey();
        ASSERT_TRUE(store.OpenKey(kBaseKey, true));
        store.WriteInteger("Version", 1002);
    }
    TRegistryStore store(File); // as "-RESET" does: no key open
    EXPECT_TRUE(store.DeleteKey(kBaseKey));
    EXPECT_FALSE(store.KeyExists(kBaseKey));
    EXPECT_FALSE(store.KeyExists(kBaseKey + "\\a:6130"));
    EXPECT_FALSE(store.DeleteKey(kBaseKey));
    const TRegistryFile disk = OnDisk();
    ASSERT_EQ(disk.Keys().size(), 1u);
    EXPECT_EQ(disk.Keys()[0].Path(), kBasePath + "2");
    EXPECT_EQ(disk.Keys()[0].Find("Keep")->Number, 1u);
}

TEST_F(RegistryStore, TwoStoresOnOneFileKeepEachOthersValues) {
    TRegistryStore first(File);
    TRegistryStore second(File);
    ASSERT_TRUE(first.OpenKey(kBaseKey, true));
    ASSERT_TRUE(second.OpenKey(kBaseKey, true));
    first.WriteInteger("X", 10);
    second.WriteInteger("Y", 20);
    first.WriteInteger("X", 11);
    EXPECT_EQ(first.ReadInteger("Y"), 20);
    EXPECT_EQ(second.ReadInteger("X"), 11);
    second.WriteInteger("x", 12); // same value: the last writer wins
    EXPECT_EQ(first.ReadInteger("X"), 12);
    EXPECT_EQ(OnDisk().FindKey(kBasePath)->Values().size(), 2u);
}

TEST_F(RegistryStore, ABadFileIsReportedAndNeverWritten) {
    std::filesystem::create_directories(Dir.File("keltrix"));
    const std::string bad =
        "REGEDIT4\n\n[" + kBasePath + "]\n\"Alpha\"=dword:000000ff\n\"FontName\"=\"unterminated\n";
    WriteAll(File, bad);

    TRegistryStore store(File);
    EXPECT_EQ(store.LoadError().rfind(File + ", line 5: ", 0), 0u) << store.LoadError();
    // The program runs on its defaults...
    EXPECT_TRUE(store.OpenKey(kBaseKey, true));
    EXPECT_FALSE(store.ValueExists("Alpha"));
    // ...and what it writes lives in memory only.
    store.WriteInteger("Version", 1002);
    store.WriteString("FontName", "MS Sans Serif");
    EXPECT_EQ(store.ReadInteger("Version"), 1002);
    EXPECT_TRUE(store.DeleteValue("Version"));
    EXPECT_TRUE(store.OpenKey(kBaseKey + "\\sub", true));
    EXPECT_FALSE(store.DeleteKey(kBaseKey + "\\sub\\none"));
    EXPECT_TRUE(store.DeleteKey(kBaseKey));
    EXPECT_EQ(ReadAll(File), bad);
    EXPECT_FALSE(std::filesystem::exists(File + ".tmp"));

    // Once the file is mended, it is used again.
    WriteAll(File, "REGEDIT4\n[" + kBasePath + "]\n\"Alpha\"=dword:00000080\n");
    EXPECT_EQ(store.LoadError(), "");
    ASSERT_TRUE(store.OpenKey(kBaseKey, false));
    EXPECT_EQ(store.ReadInteger("Alpha"), 128);
    store.WriteInteger("Version", 1002);
    EXPECT_EQ(OnDisk().FindKey(kBasePath)->Values().size(), 2u);
}

TEST_F(RegistryStore, AFileBrokenWhileRunningKeepsTheValuesKnown) {
    TRegistryStore store(File);
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    store.WriteInteger("Alpha", 200);
    const std::string bad = "not a registry file\n";
    WriteAll(File, bad);
    store.WriteInteger("X", 5);
    EXPECT_EQ(store.LoadError().rfind(File + ", line 1: ", 0), 0u) << store.LoadError();
    EXPECT_EQ(store.ReadInteger("Alpha"), 200);
    EXPECT_EQ(store.ReadInteger("X"), 5);
    EXPECT_EQ(ReadAll(File), bad);
}

TEST_F(RegistryStore, CreatesAPrivateFolderAndClearsLitterOfADeadWriter) {
    TRegistryStore store(File);
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    struct stat st {};
    ASSERT_EQ(::stat(Dir.File("keltrix").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(File.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u); // it may hold a password

    WriteAll(File + ".tmp", "half a fi");
    store.WriteInteger("Alpha", 1);
    EXPECT_FALSE(std::filesystem::exists(File + ".tmp"));
    EXPECT_EQ(OnDisk().FindKey(kBasePath)->Find("Alpha")->Number, 1u);
}

TEST_F(RegistryStore, ASettingsFileKeptAsALinkStaysALink) {
    const std::string real = Dir.File("dotfiles/registry.reg");
    std::filesystem::create_directories(Dir.File("dotfiles"));
    std::filesystem::create_directories(Dir.File("keltrix"));
    WriteAll(real, "REGEDIT4\n");
    std::filesystem::create_symlink(real, File);

    TRegistryStore store(File);
    ASSERT_TRUE(store.OpenKey(kBaseKey, true));
    store.WriteInteger("Alpha", 1);
    EXPECT_TRUE(std::filesystem::is_symlink(File));
    EXPECT_NE(ReadAll(real).find("\"Alpha\"=dword:00000001"), std::string::npos);
}

TEST_F(RegistryStore, AFolderWithoutWriteRightsTellsTheReason) {
    std::filesystem::create_directories(Dir.File("keltrix"));
    // Root ignores folder permissions: then the case runs as nobody, in a child.
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() == 0) {
        ASSERT_NE(nobody, nullptr);
        ASSERT_EQ(::chown(Dir.Path().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        ASSERT_EQ(::chown(Dir.File("keltrix").c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 &&
                (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0))
                _exit(2);
            TRegistryStore store(File);
            std::vector<std::string> told;
            store.SetProblemSink([&](const std::string& m) { told.push_back(m); });
            if (!store.OpenKey(kBaseKey, true) || !told.empty()) _exit(3);
            ::chmod(Dir.File("keltrix").c_str(), 0500);
            store.WriteInteger("Alpha", 1);
            store.WriteInteger("Beta", 1);
            if (store.ReadInteger("Alpha") != 1) _exit(4);
            if (told.size() != 1 || told[0].find("Permission denied") == std::string::npos) {
                std::fprintf(stderr, "told: %s\n", told.empty() ? "nothing" : told[0].c_str());
                _exit(5);
            }
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ::chmod(Dir.File("keltrix").c_str(), 0700);
}

} // namespace
} // namespace keltrix
