// The file source: creating, loading, saving and reloading its document, remote names, and
// files that are broken or cannot be written.

#include "xml_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace keltrix {
namespace {

using testing::kEmptyConfig;
using testing::ReadAll;
using testing::TTempDir;
using testing::TXMLFixtureOwner;
using testing::WriteAll;

struct TReports {
    std::vector<std::string> Classes, Messages;
    TXMLErrorEvent Handler() {
        return [this](const std::string& c, const std::string& m) {
            Classes.push_back(c);
            Messages.push_back(m);
        };
    }
};

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs in a private current folder, as the program does with "config.xml".
struct InFolder {
    TTempDir Dir;
    std::filesystem::path Previous = std::filesystem::current_path();
    InFolder() { std::filesystem::current_path(Dir.Path()); }
    ~InFolder() { std::filesystem::current_path(Previous); }
};

TEST(XMLSource, ANewNameCreatesTheFileWithAnEmptyRootAndSavesTheOldOneFirst) {
    InFolder here;
    TComponent owner(nullptr, "Owner");
    TXMLValSourceFile source(&owner, "Source");
    source.SetFileName("config.xml");
    EXPECT_EQ(ReadAll("config.xml"), kEmptyConfig);
    EXPECT_EQ(FolderEntries("."), std::vector<std::string>{"config.xml"}); // no temporary left

    TXMLValueStr value(&owner, "Value");
    value.SetAsText("kept");
    WriteAll("config.xml", "<Configuration><Value>edited meanwhile</Value></Configuration>");
    // A new name without a file takes the current document along: the old file is saved first.
    source.SetFileName("copy.xml");
    EXPECT_EQ(ReadAll("config.xml"), ReadAll("copy.xml"));
    EXPECT_NE(ReadAll("copy.xml").find("<Value>kept</Value>"), std::string::npos);
}

TEST(XMLSource, LoadingAnExistingFileTellsRegisteredValuesWhatChanged) {
    TTempDir dir;
    WriteAll(dir.File("a.xml"), "<Configuration><Value>one</Value></Configuration>");
    WriteAll(dir.File("b.xml"), "<Settings><Value>two</Value></Settings>");
    TComponent owner(nullptr, "Owner");
    TXMLValSourceFile source(&owner, "Source");
    TXMLValueStr value(&owner, "Value");
    value.SetValSource(&source);
    int changes = 0;
    value.OnChange = [&](TComponent*) { ++changes; };
    source.SetFileName(dir.File("a.xml"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(value.GetAsText(), "one");
    // Whatever the root element is called, it is the root.
    source.SetFileName(dir.File("b.xml"));
    EXPECT_EQ(value.GetAsText(), "two");
    EXPECT_EQ(changes, 2);
    value.SetAsText("two"); // now the last written value
    source.SetFileName(dir.File("b.xml"));
    EXPECT_EQ(changes, 3); // the write itself; the reload found the same text
}

TEST(XMLSource, ARemoteNameIsNeverWritten) {
    InFolder here;
    TXMLFixtureOwner owner("http://example.invalid/config.xml");
    TXMLValueStr value(&owner, "Value");
    value.SetAsText("x"); // without an error handler a failed save would throw
    EXPECT_EQ(value.GetAsText(), "x");
    owner.Source.SetFileName("HTTP://example.invalid/other.xml");
    EXPECT_TRUE(FolderEntries(".").empty());
}

TEST(XMLSource, ABrokenFileIsReportedWithItsLineAndNeverOverwritten) {
    TTempDir dir;
    const std::string file = dir.File("config.xml");
    const std::string broken = "<Configuration>\n<Value>x</Value>\n<Flag>True</Flg>\n";
    WriteAll(file, broken);
    TReports reports;
    {
        TComponent owner(nullptr, "Owner");
        TXMLValSourceFile source(&owner, "Source");
        source.OnError = reports.Handler();
        source.SetFileName(file);
        ASSERT_EQ(reports.Messages.size(), 1u);
        EXPECT_EQ(reports.Classes[0], "EXMLParseError");
        EXPECT_EQ(reports.Messages[0].rfind(file + ", line 3: Start-end tags mismatch", 0), 0u)
            << reports.Messages[0];
        EXPECT_EQ(source.LoadError().rfind(file + ", line 3:", 0), 0u);
        TXMLValueStr value(&owner, "Value");
        value.Default = "dflt";
        EXPECT_EQ(value.GetAsText(), "dflt"); // nothing of the broken file is used
        value.SetAsText("in memory");
        EXPECT_EQ(value.GetAsText(), "in memory");
    }
    EXPECT_EQ(ReadAll(file), broken);
    EXPECT_EQ(reports.Messages.size(), 1u);

    // Without a handler the error is thrown, as the component has always done.
    TComponent owner(nullptr, "Owner");
    TXMLValSourceFile source(&owner, "Source");
    EXPECT_THROW(source.SetFileName(file), EXMLParseError);
    EXPECT_EQ(ReadAll(file), broken);
}

TEST(XMLSource, AnEmptyFileIsUsedAsANewDocument) {
    TTempDir dir;
    WriteAll(dir.File("config.xml"), "\n");
    TXMLFixtureOwner owner(dir.File("config.xml"));
    EXPECT_TRUE(owner.Source.LoadError().empty());
    TXMLValueInt value(&owner, "Value");
    value.SetAsInteger(1);
    EXPECT_EQ(ReadAll(dir.File("config.xml")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configuration>\n"
              "  <Value>1</Value>\n</Configuration>\n");
}

TEST(XMLSource, AFolderThatCannotBeWrittenIsReportedOncePerRunOfFailures) {
    TTempDir dir;
    const std::string folder = dir.File("gone");
    TReports reports;
    TComponent owner(nullptr, "Owner");
    TXMLValSourceFile source(&owner, "Source");
    source.OnError = reports.Handler();
    source.SetFileName(folder + "/config.xml"); // the folder does not exist: even root fails
    TXMLValueInt value(&owner, "Value");
    for (int i = 0; i < 5; ++i) value.SetAsInteger(i);
    ASSERT_EQ(reports.Messages.size(), 1u);
    EXPECT_EQ(reports.Classes[0], "EInOutError");
    EXPECT_EQ(reports.Messages[0],
              "Cannot save " + folder + "/config.xml in " + folder + ": No such file or directory");
    EXPECT_EQ(value.GetAsInteger(), 4); // the values go on in memory

    std::filesystem::create_directory(folder);
    value.SetAsInteger(5);
    EXPECT_NE(ReadAll(folder + "/config.xml").find("<Value>5</Value>"), std::string::npos);
    std::filesystem::remove_all(folder);
    value.SetAsInteger(6); // a new failure after a success is news again
    EXPECT_EQ(reports.Messages.size(), 2u);
}

TEST(XMLSource, SavesKeepPermissionsLinksAndNothingHalfWritten) {
    TTempDir dir;
    const std::string real = dir.File("real.xml");
    const std::string link = dir.File("config.xml");
    WriteAll(real, kEmptyConfig);
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink("real.xml", link);
    TXMLFixtureOwner owner(link);
    TXMLValueInt value(&owner, "Value");
    value.SetAsInteger(3);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(ReadAll(real).find("<Value>3</Value>"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"config.xml", "real.xml"}));
}

TEST(XMLSource, TheTextIsUTF8WhateverTheFileDeclared) {
    TTempDir dir;
    const std::string file = dir.File("config.xml");
    WriteAll(file, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                   "<Configuration><Name>Caf\xE9</Name></Configuration>\n");
    {
        TXMLFixtureOwner owner(file);
        TXMLValueStr name(&owner, "Name");
        EXPECT_EQ(name.GetAsText(), "Café");
        name.SetAsText("Crème");
    }
    EXPECT_EQ(ReadAll(file).rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    TXMLFixtureOwner owner(file);
    TXMLValueStr name(&owner, "Name");
    EXPECT_EQ(name.GetAsText(), "Crème");
}

TEST(XMLSource, AReloadOnlyFollowsOtherWritersAndKeepsValuesWhenTheFileBreaks) {
    TTempDir dir;
    const std::string file = dir.File("config.xml");
    TReports reports;
    TXMLFixtureOwner owner(file);
    owner.Source.OnError = reports.Handler();
    int sourceChanges = 0;
    owner.Source.OnChange = [&](TComponent*) { ++sourceChanges; };
    TXMLValueStr value(&owner, "Value");
    int changes = 0;
    value.OnChange = [&](TComponent*) { ++changes; };
    value.SetAsText("mine");
    EXPECT_EQ(sourceChanges, 1);
    owner.Source.ReloadIfChanged(); // its own save is no news
    EXPECT_EQ(sourceChanges, 1);
    EXPECT_EQ(changes, 1);

    WriteAll(file, "<Configuration><Value>theirs, longer</Value></Configuration>");
    owner.Source.ReloadIfChanged();
    EXPECT_EQ(sourceChanges, 2);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(value.GetAsText(), "theirs, longer");

    WriteAll(file, "<Configuration><Value>broken");
    owner.Source.ReloadIfChanged();
    EXPECT_EQ(reports.Classes, std::vector<std::string>{"EXMLParseError"});
    EXPECT_EQ(value.GetAsText(), "theirs, longer");
    value.SetAsText("not saved");
    EXPECT_EQ(ReadAll(file), "<Configuration><Value>broken");

    std::filesystem::remove(file); // gone: written again from memory
    owner.Source.ReloadIfChanged();
    EXPECT_TRUE(owner.Source.LoadError().empty());
    EXPECT_NE(ReadAll(file).find("<Value>not saved</Value>"), std::string::npos);
}

} // namespace
} // namespace keltrix
