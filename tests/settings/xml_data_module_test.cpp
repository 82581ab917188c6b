// The settings data module over its config.xml: the table of values, the exclusive background
// flags, and the files it meets at start-up.

#include "settings/xml_data_module.h"
#include "xml_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace keltrix {
namespace {

using testing::kEmptyConfig;
using testing::ReadAll;
using testing::TTempDir;
using testing::WriteAll;

struct DataModule : ::testing::Test {
    TTempDir Dir;
    std::string File = Dir.File("config.xml");
    std::vector<std::string> Errors;
    std::unique_ptr<TdmXML> Create() {
        return std::make_unique<TdmXML>(
            [this](const std::string& c, const std::string& m) { Errors.push_back(c + ": " + m); },
            [](std::function<void()>) { FAIL() << "the watcher must stay suspended"; }, File);
    }
};

TEST_F(DataModule, AFirstStartCreatesOnlyTheEmptyRootAndEveryValueReadsItsDefault) {
    auto dm = Create();
    EXPECT_EQ(ReadAll(File), kEmptyConfig);
    EXPECT_TRUE(Errors.empty());
    EXPECT_FALSE(dm->XMLValSourceFile.CheckForXMLChanges());
    int booleans = 0;
    for (TComponent* c : dm->Components()) {
        if (auto* b = dynamic_cast<TXMLValueBool*>(c)) {
            EXPECT_FALSE(b->GetAsBoolean()) << c->Name();
            ++booleans;
        }
    }
    EXPECT_EQ(booleans, 13);
    EXPECT_EQ(dm->Components().size(), 27u); // the source and 26 values
    EXPECT_EQ(dm->TransLucLevel.GetAsInteger(), 0);
    EXPECT_EQ(dm->IconSet.GetAsInteger(), 0);
    EXPECT_EQ(dm->ScrollLockFlashInterval.GetAsInteger(), 1000);
    EXPECT_EQ(dm->UptimesInterval.GetAsInteger(), 60000);
    EXPECT_EQ(dm->SaveXMLInterval.GetAsInteger(), 5000);
    EXPECT_EQ(dm->WSPort.GetAsInteger(), 61300);
    EXPECT_EQ(dm->SaveXMLFileName.GetAsText(), "savexml.xml");
    EXPECT_EQ(dm->BGFileNameVal.GetAsText(), "");
    EXPECT_EQ(dm->MainData.GetAsText(), "");
    EXPECT_EQ(ReadAll(File), kEmptyConfig); // reading wrote nothing
}

TEST_F(DataModule, BothBackgroundFlagsSetComeOutWithOnlyTheFileName) {
    WriteAll(File, "<Configuration><BGColor>True</BGColor><BGFileName>True</BGFileName>"
                   "</Configuration>");
    auto dm = Create();
    EXPECT_TRUE(dm->BGFileName.GetAsBoolean());
    EXPECT_FALSE(dm->BGColor.GetAsBoolean());
    EXPECT_NE(ReadAll(File).find("<BGColor>False</BGColor>"), std::string::npos);

    // Later writes keep them exclusive in both directions.
    dm->BGColor.SetAsBoolean(true);
    EXPECT_FALSE(dm->BGFileName.GetAsBoolean());
    dm->BGFileName.SetAsBoolean(true);
    EXPECT_FALSE(dm->BGColor.GetAsBoolean());
}

TEST_F(DataModule, OutOfRangeValuesReadTheDefaultAndAreNeverWritten) {
    const std::string stored = "<Configuration><IconSet>7</IconSet><WSPort>0</WSPort>"
                               "<TransLucLevel>-5</TransLucLevel>"
                               "<UptimesInterval>3600001</UptimesInterval></Configuration>";
    WriteAll(File, stored);
    auto dm = Create();
    EXPECT_EQ(dm->IconSet.GetAsInteger(), 0);
    EXPECT_EQ(dm->WSPort.GetAsInteger(), 61300);
    EXPECT_EQ(dm->TransLucLevel.GetAsInteger(), -5); // no lower limit
    EXPECT_EQ(dm->UptimesInterval.GetAsInteger(), 60000);
    dm->IconSet.SetAsInteger(5);
    dm->ScrollLockFlashInterval.SetAsInteger(99);
    dm->WSPort.SetAsInteger(65536);
    EXPECT_EQ(ReadAll(File), stored);
    dm->IconSet.SetAsInteger(4);
    dm->WSPort.SetAsInteger(1);
    EXPECT_EQ(dm->IconSet.GetAsInteger(), 4);
    EXPECT_EQ(dm->WSPort.GetAsInteger(), 1);
}

TEST_F(DataModule, ABrokenFileIsReportedOnceAndLeftByteForByte) {
    const std::string broken = "<Configuration>\n  <BGColor>True</BGColor>\n  <IconSet>2\n";
    WriteAll(File, broken);
    {
        auto dm = Create();
        ASSERT_EQ(Errors.size(), 1u);
        EXPECT_EQ(Errors[0].rfind("EXMLParseError: " + File + ", line 3: ", 0), 0u) << Errors[0];
        EXPECT_FALSE(dm->BGColor.GetAsBoolean());
        EXPECT_EQ(dm->IconSet.GetAsInteger(), 0);
        dm->IconSet.SetAsInteger(3);
        dm->BGFileName.SetAsBoolean(true);
    }
    EXPECT_EQ(ReadAll(File), broken);
    EXPECT_EQ(Errors.size(), 1u);
}

TEST_F(DataModule, AnUnwritableFolderIsReportedOnceForTheWholeRun) {
    File = Dir.File("missing/config.xml");
    {
        auto dm = Create();
        dm->IconSet.SetAsInteger(1);
        dm->AlwaysOnTop.SetAsBoolean(true);
    }
    ASSERT_EQ(Errors.size(), 1u) << Errors.back();
    EXPECT_EQ(Errors[0].rfind("EInOutError: Cannot save " + File, 0), 0u) << Errors[0];
}

TEST_F(DataModule, TheExitSavesTheDocumentOnceMore) {
    auto dm = Create();
    dm->MainData.SetAsText("kept");
    std::filesystem::remove(File);
    dm.reset();
    EXPECT_NE(ReadAll(File).find("<MainData>kept</MainData>"), std::string::npos);
}

} // namespace
} // namespace keltrix
