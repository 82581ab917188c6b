#include "net/web_module.h"

#include "../settings/settings_test_util.h"
#include "settings/default_format.h"
#include "web_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace keltrix {
namespace {

using test::TFakeMonitor;

std::vector<std::string> RawNames(const std::string& doc) {
    std::vector<std::string> names;
    const auto begin = doc.find("<Raw>");
    const auto end = doc.find("</Raw>");
    for (auto p = doc.find('<', begin + 1); p < end; p = doc.find('<', p + 1)) {
        if (doc[p + 1] == '/') continue;
        names.push_back(doc.substr(p + 1, doc.find('>', p) - p - 1));
    }
    return names;
}

TEST(WebModuleXml, DefaultFormatStringGivesTheTitlesInFormatterOrder) {
    TFakeMonitor m;
    m.Apply(DefaultFormatString(m.Formatters));
    m.Data().Uptime = 90061;
    TWebModule module;
    const auto snap = m.View.Current();
    module.Load(*snap);
    const std::string doc = module.GetXML();
    const std::vector<std::string> expected = {"Uptime",
                                               "System_Thread_Count",
                                               "System_Processes_Count",
                                               "PageTotal",
                                               "PageUsed",
                                               "PageFree",
                                               "RAMTotal",
                                               "RAMUsed",
                                               "RAMFree",
                                               "Processor_Usage",
                                               "IP_Addresses",
                                               "Computer_Name",
                                               "User_Name",
                                               "Date_and_Time",
                                               "Blank",
                                               "Drive_Space",
                                               "Processor_Type",
                                               "File_Line_Data"};
    EXPECT_EQ(RawNames(doc), expected);
    // "RAMUsed: 0" loses its caption; the uptime rendering has no ": " and stays whole.
    EXPECT_NE(doc.find("<RAMUsed>0</RAMUsed>"), std::string::npos);
    EXPECT_NE(doc.find("<Uptime>1 days, 01 hrs, 01 mins, 01 secs</Uptime>"), std::string::npos);
    EXPECT_NE(doc.find("<Item_0>Proc %25: 00.00</Item_0>"), std::string::npos) << doc;
    // Rendering the drive-space title asked for drive C.
    EXPECT_EQ(module.NewDrives(), std::vector<char>{'C'});
}

TEST(WebModuleXml, EmptyFormatStringLeavesRawEmptyAndTextsUnrendered) {
    TFakeMonitor m;
    m.Apply("");
    TWebModule module;
    module.Load(*m.View.Current());
    EXPECT_NE(module.GetXML().find("<Raw />"), std::string::npos);
    EXPECT_EQ(module.RenderFormatted("<NAME=Threads> <NAME=CompName>"),
              "<NAME=Threads> <NAME=CompName>");
}

TEST(WebModuleFormatted, OnlyTagsOfActiveFormattersAreRendered) {
    TFakeMonitor m;
    m.Data().Threads = 42;
    m.Data().CompName.Set("box");
    m.Apply("T <NAME=Threads>");
    TWebModule module;
    module.Load(*m.View.Current());
    EXPECT_EQ(module.RenderFormatted("<NAME=Threads>/<NAME=CompName>"), "42/<NAME=CompName>");
    // The live record is untouched by what a request renders.
    m.Data().Threads = 7;
    EXPECT_EQ(module.RenderFormatted("<NAME=Threads>"), "42");
}

class WebModuleFiles : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteAll(Shown, "first\nsecond\n");
        testing::WriteAll(Secret, "password\n");
    }
    testing::TTempDir Temp;
    std::string Shown = Temp.File("shown.txt"), Secret = Temp.File("secret.txt");
};

TEST_F(WebModuleFiles, RemoteCallsReadOnlyTheFilesTheDisplayShows) {
    TFakeMonitor m;
    m.Apply("News: <NAME=FileData FORMAT=\"" + Shown + ",2\">");
    ASSERT_EQ(m.Captions.front(), "News: second");
    TWebModule module;
    module.Load(*m.View.Current());
    EXPECT_EQ(module.RenderFormatted("<NAME=FileData FORMAT=\"" + Shown + ",2\">"), "second");
    EXPECT_EQ(module.RenderFormatted("<NAME=FileData FORMAT=\"" + Shown + ",1\">"), "");
    EXPECT_EQ(module.RenderFormatted("[<NAME=FileData FORMAT=\"" + Secret + "\">]"), "[]");
    EXPECT_EQ(module.RenderFormatted("<NAME=FileData>"), "ERROR - Line definition is missing");

    // A new format string takes the permission with it.
    m.Apply("<NAME=FileData FORMAT=\"" + Secret + "\">");
    module.Load(*m.View.Current());
    EXPECT_EQ(module.RenderFormatted("<NAME=FileData FORMAT=\"" + Secret + "\">"), "password");
    EXPECT_EQ(module.RenderFormatted("<NAME=FileData FORMAT=\"" + Shown + ",2\">"), "");
}

TEST(WebModuleFiles_, SpecsAreReadLineByLineAsTheDisplayDoes) {
    const auto specs = FileDataSpecs("<NAME=FileData FORMAT=\"/a,1\">\r\n<NAME=FILEDATA "
                                     "FORMAT=\"/b\"> <NAME=FileData FORMAT=\"/c\"\r\n>");
    EXPECT_EQ(specs, (std::set<std::string>{"/a,1", "/b"}));
}

TEST(WebViewSnapshot, SameObjectWhileNothingChangesAndDrivesRegisterOnce) {
    TFakeMonitor m;
    m.Apply("<NAME=Threads>");
    const auto a = m.View.Current();
    EXPECT_EQ(m.View.Current(), a);
    m.Data().Threads = 3;
    EXPECT_NE(m.View.Current(), a);

    m.View.RegisterDrives({'C', 'D', 'C'});
    EXPECT_EQ(m.Data().Drives[1].Letter, 'C');
    EXPECT_EQ(m.Data().Drives[2].Letter, 'D');
    EXPECT_EQ(m.Data().Drives[3].Letter, 0);
    for (char l = 'E'; l <= 'Z'; ++l) m.View.RegisterDrives({l});
    EXPECT_EQ(m.Data().Drives[16].Letter, 'R'); // a seventeenth letter finds no room
    EXPECT_EQ(m.Data().Drives[0].Letter, 0);
}

} // namespace
} // namespace keltrix
