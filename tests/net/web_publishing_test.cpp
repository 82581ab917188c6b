#include "net/web_publishing.h"

#include "../settings/settings_test_util.h"
#include "base/errors.h"
#include "settings/registry_store.h"
#include "settings/service_settings.h"
#include "web_fixture.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <unistd.h>

namespace keltrix {
namespace {

using test::TFakeMonitor;

class WebPublishing : public ::testing::Test {
protected:
    void SetUp() override {
        Store = std::make_unique<TRegistryStore>((Dir / "registry.reg").string());
        Store->OpenKey(R"(Software\OrlenwickStudios\Vistrand)", true);
        Web = std::make_unique<TWebPublishing>(*Store, M.View);
        Web->Service.Host = "127.0.0.1";
        Prompts.InputQuery = [this](const std::string& title, const std::string& prompt,
                                    const std::string& initial) -> std::optional<std::string> {
            Asked.push_back(title + "|" + prompt + "|" + initial);
            auto answer = Answers.front();
            Answers.pop_front();
            return answer;
        };
        Prompts.ChooseSaveFile = [this](const std::string& current) -> std::optional<std::string> {
            Asked.push_back("file|" + current);
            auto answer = Answers.front();
            Answers.pop_front();
            return answer;
        };
    }
    void TearDown() override { Web.reset(); }
    testing::TTempDir Temp;
    std::filesystem::path Dir = Temp.Path();
    TFakeMonitor M;
    std::unique_ptr<TRegistryStore> Store;
    std::unique_ptr<TWebPublishing> Web;
    TWebPrompts Prompts;
    std::deque<std::optional<std::string>> Answers;
    std::vector<std::string> Asked;
};

TEST_F(WebPublishing, ActAsWebServiceAsksThePortStoresItAndListens) {
    std::string error;
    int port = 0;
    {
        TWebService probe(M.View);
        probe.Host = "127.0.0.1";
        probe.SetPort(0);
        ASSERT_TRUE(probe.Start(error));
        port = probe.BoundPort(); // free a moment ago
    }
    Answers = {std::to_string(port)};
    EXPECT_TRUE(Web->ActasWebServiceClick(true, Prompts, error)) << error;
    EXPECT_EQ(Asked.front(), "Web Service Port|Use this port to connect to the web serveice, e.g: "
                             "http://localhost:61300/wsdl/IKeltrixWS|61300");
    EXPECT_TRUE(Web->Service.Listening());
    EXPECT_EQ(Web->Service.BoundPort(), port);
    EXPECT_EQ(Store->ReadInteger("WebServicePort"), port);
    EXPECT_TRUE(Store->ReadBool("WebService"));

    // Unchecking asks nothing and closes the port.
    EXPECT_FALSE(Web->ActasWebServiceClick(false, Prompts, error));
    EXPECT_EQ(Asked.size(), 1u);
    EXPECT_FALSE(Web->Service.Listening());
    EXPECT_FALSE(Store->ReadBool("WebService"));

    // Cancel unchecks; text that is no port keeps the current one.
    Answers = {std::nullopt, std::string("http")};
    EXPECT_FALSE(Web->ActasWebServiceClick(true, Prompts, error));
    EXPECT_FALSE(Store->ReadBool("WebService"));
    EXPECT_TRUE(Web->ActasWebServiceClick(true, Prompts, error));
    EXPECT_EQ(Web->Service.BoundPort(), port);
    Web->Service.Stop();
}

TEST_F(WebPublishing, ABusyPortFailsWithTheReasonAndKeepsTheStoredWish) {
    TWebService other(M.View);
    other.Host = "127.0.0.1";
    other.SetPort(0);
    std::string error;
    ASSERT_TRUE(other.Start(error));
    Answers = {std::to_string(other.BoundPort())};
    EXPECT_FALSE(Web->ActasWebServiceClick(true, Prompts, error));
    EXPECT_NE(error.find("Address already in use"), std::string::npos) << error;
    EXPECT_TRUE(Store->ReadBool("WebService"));
}

TEST_F(WebPublishing, AutoSaveAsksFileAndPeriodAndStoresOnlyAValidOne) {
    // A file chosen, then the period cancelled: off, the file kept in memory only.
    Answers = {std::string("/tmp/a.xml"), std::nullopt};
    EXPECT_FALSE(Web->AutoSaveXML1Click(false, Prompts));
    EXPECT_EQ(Web->AutoSave.FileName, "/tmp/a.xml");
    EXPECT_FALSE(Store->ValueExists("AutoSaveName"));
    EXPECT_FALSE(Store->ReadBool("AutoSave"));
    // Offered the next time; blanks around the digits are fine.
    Answers = {std::string("/tmp/b.xml"), std::string("  2500 ")};
    EXPECT_TRUE(Web->AutoSaveXML1Click(false, Prompts));
    EXPECT_EQ(Asked[2], "file|/tmp/a.xml");
    EXPECT_EQ(Asked[3], "Update Interval|Interval in milliseconds|10000");
    EXPECT_EQ(Store->ReadString("AutoSaveName"), "/tmp/b.xml");
    EXPECT_EQ(Store->ReadInteger("AutoSaveInterval"), 2500);
    EXPECT_TRUE(Store->ReadBool("AutoSave"));
    // Running: one click stops it without a question.
    const std::size_t asked = Asked.size();
    EXPECT_FALSE(Web->AutoSaveXML1Click(true, Prompts));
    EXPECT_EQ(Asked.size(), asked);
    EXPECT_FALSE(Store->ReadBool("AutoSave"));
    // Twelve digits give 1000; a letter stops it.
    Answers = {std::string("/tmp/b.xml"), std::string("123456789012"), std::string("/tmp/b.xml"),
               std::string("12a")};
    EXPECT_TRUE(Web->AutoSaveXML1Click(false, Prompts));
    EXPECT_EQ(Web->AutoSave.Interval, 1000);
    EXPECT_FALSE(Web->AutoSaveXML1Click(false, Prompts));
    EXPECT_EQ(Store->ReadInteger("AutoSaveInterval"), 1000);
    // Cancelling the file dialog stops it too.
    Answers = {std::nullopt};
    EXPECT_FALSE(Web->AutoSaveXML1Click(false, Prompts));
}

TEST_F(WebPublishing, StartUpRestoresTheStoredStateAndASaveWritesTheDocument) {
    TServiceSettings stored;
    stored.WebService = true;
    stored.WebServicePort = 0;
    stored.AutoSave = true;
    stored.AutoSaveInterval = 0;
    stored.AutoSaveName = (Dir / "k.xml").string();
    std::string error;
    EXPECT_TRUE(Web->ReadSettings(stored, error)) << error;
    EXPECT_TRUE(Web->Service.Listening());
    EXPECT_TRUE(Web->AutoSave.Running);
    EXPECT_EQ(Web->AutoSave.Interval, 0);
    M.Apply("<NAME=Threads>");
    Web->SoapTimerTimer();
    EXPECT_TRUE(std::filesystem::exists(stored.AutoSaveName));
    Web->AutoSave.FileName = (Dir / "no" / "k.xml").string();
    EXPECT_THROW(Web->SoapTimerTimer(), EInOutError);
}

} // namespace
} // namespace keltrix
