// The uptime report: its bytes, the prompts' rules, and the command and the report's
// connection against a listener of the test's own on loopback.
#include "net/uptimes_client.h"
#include "net/uptimes_report.h"
#include "platform/system_info.h"
#include "settings/registry_store.h"
#include "settings/settings_key.h"

#include "../settings/settings_test_util.h"
#include "link_test_util.h"

#include <gtest/gtest.h>

#include <deque>

using namespace keltrix;
using namespace keltrix::testing;

namespace {

const std::string Key32 = "0123456789abcdef0123456789ABCDEF";

std::string BytesText(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

TEST(UptimesReport, BodyAndRequestAreTheFormPostByteForByte) {
    TUptimesReport r;
    r.Key = Key32;
    r.UptimeSeconds = 86400;
    r.ProcUsage = 50;
    r.OsName = "Linux";
    r.OsLevel = "262.0XP";
    const std::string body =
        "auth=" + Key32 + "&uptime=1440&load=0.00&idle=50&os=Linux&oslevel=262.0XP";
    EXPECT_EQ(UptimesBody(r), body);
    EXPECT_EQ(UptimesRequest({"uptimes.example", 80}, r),
              "POST /server.html HTTP/1.1\r\n"
              "Host: uptimes.example\r\n"
              "Connection: Close\r\n"
              "User-Agent: upclient/4.20/QenKeltrix-1.00\r\n"
              "Content-type: application/x-www-form-urlencoded\r\n"
              "Content-length: " +
                  std::to_string(body.size()) + "\r\n\r\n" + body + "\r\n");
    // Another port is part of the Host header, as HTTP/1.1 wants it.
    EXPECT_NE(UptimesRequest({"127.0.0.1", 8080}, r).find("\r\nHost: 127.0.0.1:8080\r\n"),
              std::string::npos);
    EXPECT_NE(UptimesRequest({"::1", 8080}, r).find("\r\nHost: [::1]:8080\r\n"), std::string::npos);
}

TEST(UptimesReport, WholeMinutesAndWholePercent) {
    TUptimesReport r;
    auto field = [&](const char* name) {
        const std::string body = UptimesBody(r);
        const std::size_t at = body.find(std::string("&") + name + "=") + std::strlen(name) + 2;
        return body.substr(at, body.find('&', at) - at);
    };
    r.UptimeSeconds = 3599;
    EXPECT_EQ(field("uptime"), "59");
    r.UptimeSeconds = 3600;
    EXPECT_EQ(field("uptime"), "60");
    r.UptimeSeconds = 0;
    EXPECT_EQ(field("uptime"), "0");
    r.ProcUsage = 12.4f;
    EXPECT_EQ(field("idle"), "12");
    r.ProcUsage = 99.6f;
    EXPECT_EQ(field("idle"), "100");
    r.ProcUsage = 12.5f; // halves to even
    EXPECT_EQ(field("idle"), "12");
    r.ProcUsage = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(field("idle"), "0");
    r.Key.clear(); // never stored: an empty value
    EXPECT_EQ(UptimesBody(r).substr(0, 13), "auth=&uptime=");
}

TEST(UptimesReport, OsLevelKeepsTheVersionWordsForm) {
    EXPECT_EQ(OsLevelText(5u | 0u << 8 | 2195u << 16), "5.2195");
    EXPECT_EQ(OsLevelText(5u | 1u << 8 | 2600u << 16), "261.2600XP");
    EXPECT_EQ(OsLevelText(5u | 0u << 8 | 2196u << 16), "5.2196XP");
    EXPECT_EQ(OsLevelText(platform::VersionWord(6, 1, 0)), "262.0XP");
    EXPECT_EQ(OsLevelText(platform::VersionWord(6, 12, 5)), "3078.5XP");
    EXPECT_EQ(OsLevelText(0), "0.0");
}

TEST(UptimesReport, PromptRules) {
    EXPECT_FALSE(UptimesInterval("29999"));
    EXPECT_EQ(UptimesInterval("30000"), 30000);
    EXPECT_EQ(UptimesInterval("60000"), 60000);
    EXPECT_EQ(UptimesInterval(" 600000 "), 600000);
    EXPECT_FALSE(UptimesInterval("600001"));
    EXPECT_FALSE(UptimesInterval("-60000"));
    EXPECT_FALSE(UptimesInterval("abc"));
    EXPECT_FALSE(UptimesInterval(""));
    EXPECT_FALSE(UptimesInterval("99999999999"));

    EXPECT_FALSE(ValidUptimesKey(Key32.substr(0, 31)));
    EXPECT_TRUE(ValidUptimesKey(Key32));
    EXPECT_TRUE(ValidUptimesKey(Key32 + "01234567"));
    // Characters, not bytes: 31 letters and one two-byte letter make 32.
    EXPECT_TRUE(ValidUptimesKey(Key32.substr(0, 31) + "\xC3\xA9"));
    EXPECT_FALSE(ValidUptimesKey(Key32.substr(0, 30) + "\xC3\xA9"));
}

TEST(UptimesReport, ServerSetting) {
    auto server = [](const char* text) { return ParseUptimesServer(text); };
    ASSERT_TRUE(server("uptimes.example"));
    EXPECT_EQ(server("uptimes.example")->Host, "uptimes.example");
    EXPECT_EQ(server("uptimes.example")->Port, 80);
    EXPECT_EQ(server(" 127.0.0.1:8080 ")->Port, 8080);
    EXPECT_EQ(server("[::1]:81")->Host, "::1");
    EXPECT_EQ(server("[::1]:81")->Port, 81);
    EXPECT_EQ(server("::1")->Host, "::1");
    EXPECT_EQ(server("::1")->Port, 80);
    for (const char* bad :
         {"", "  ", "host:", "host:0", "host:65536", "host:x", ":80", "[::1", "[::1]x", "[]:80"})
        EXPECT_FALSE(server(bad)) << bad;
}

// The command and the report over a settings file and a listener of the test's own.
struct UptimesFixture : ::testing::Test {
    TTempDir Dir;
    TRegistryStore Store{Dir.File("registry.reg")};
    platform::TPollLoop Loop;
    std::uint16_t Port = 0;
    int ListenFd = -1;
    std::unique_ptr<TUptimesClient> Client;
    std::deque<std::optional<std::string>> Answers; // what the input boxes answer
    std::vector<std::string> Prompts;               // "title|prompt|value" as asked
    std::vector<std::string> Warnings;
    std::vector<std::string> Errors;
    int Sent = 0;
    std::int64_t Uptime = 86400;
    float Usage = 12.4f;

    void SetUp() override {
        ASSERT_TRUE(Store.OpenKey(SettingsKeyPath, true));
        ListenFd = RawListen(Port);
        ASSERT_GE(ListenFd, 0);
        Store.WriteString("UptimesServer", "127.0.0.1:" + std::to_string(Port));
        Client =
            std::make_unique<TUptimesClient>(Loop, Store, platform::VersionWord(6, 1, 0), "Linux");
        Client->Hooks.Warning = [this](const std::string& t) { Warnings.push_back(t); };
        Client->Hooks.InputBox = [this](const std::string& title, const std::string& prompt,
                                        const std::string& value) {
            Prompts.push_back(title + "|" + prompt + "|" + value);
            auto a = Answers.front();
            Answers.pop_front();
            return a;
        };
        Client->Hooks.Measure = [this](std::int64_t& up, float& usage) {
            up = Uptime;
            usage = Usage;
        };
        Client->Hooks.OnError = [this](const std::string& why) { Errors.push_back(why); };
        Client->Hooks.OnSent = [this] { ++Sent; };
    }
    void TearDown() override {
        Client.reset();
        close(ListenFd);
    }
    std::string Expected(const std::string& key) const {
        TUptimesReport r;
        r.Key = key;
        r.UptimeSeconds = Uptime;
        r.ProcUsage = Usage;
        r.OsLevel = "262.0XP";
        return UptimesRequest({"127.0.0.1", Port}, r);
    }
    // Accepts the report's connection and reads the whole request.
    std::string Capture(int& peer) {
        peer = -1;
        for (int i = 0; i < 100 && peer < 0; ++i) {
            Loop.RunOnce(20);
            if (WaitReadable(ListenFd, 0)) peer = accept4(ListenFd, nullptr, nullptr, SOCK_CLOEXEC);
        }
        if (peer < 0) return {};
        Loop.RunUntil([&] { return Sent > 0; }, 3000);
        Loop.RunOnce(10);
        return BytesText(Receive(peer));
    }
};

TEST_F(UptimesFixture, ClientInstanceIsRefused) {
    Client->ActUptimesClientClick(true);
    EXPECT_EQ(Warnings, std::vector<std::string>{
                            "Sorry, Keltrix clients can not act as Uptimes clients. How did you "
                            "even get here?"});
    EXPECT_FALSE(Client->Checked());
    EXPECT_FALSE(Store.ValueExists("ActUptimesClient"));
    EXPECT_TRUE(Prompts.empty());
    Client->Startup(true, true, 60000);
    EXPECT_FALSE(Client->Checked());
    EXPECT_FALSE(Client->Enabled());
    EXPECT_FALSE(Client->Reporting());
}

TEST_F(UptimesFixture, BadPeriodAndShortKeyAreRefusedWithTheirWarnings) {
    Answers = {std::string("29999"), Key32.substr(0, 31)};
    Client->ActUptimesClientClick(false);
    ASSERT_EQ(Prompts.size(), 2u);
    EXPECT_EQ(Prompts[0], "Uptimes Interval in milliseconds|30,000 min, 600,000 max|60000");
    EXPECT_EQ(Prompts[1].substr(0, Prompts[1].find('|')), "Uptimes 32-character host name");
    EXPECT_EQ(Prompts[1].substr(Prompts[1].rfind('|')), "|"); // starts empty
    EXPECT_EQ(Warnings, (std::vector<std::string>{
                            "29999 is not a valid value; using default of 60000",
                            Key32.substr(0, 31) + " is not a valid 32-character host name"}));
    EXPECT_EQ(Store.ReadInteger("UptimesInterval"), 60000);
    EXPECT_TRUE(Store.ReadBool("ActUptimesClient"));
    EXPECT_FALSE(Store.ValueExists("UptimesHost"));
    EXPECT_TRUE(Client->Checked());
    EXPECT_FALSE(Client->Reporting());
    Loop.RunOnce(50);
    EXPECT_FALSE(WaitReadable(ListenFd, 0)) << "a report went out with a refused key";
}

TEST_F(UptimesFixture, AcceptedKeyIsSentWholeAtOnceAndThenEveryPeriod) {
    const std::string key40 = Key32 + "01234567";
    Answers = {std::string("600000"), key40};
    Client->ActUptimesClientClick(false);
    EXPECT_TRUE(Warnings.empty());
    EXPECT_EQ(Client->Interval(), 600000);
    EXPECT_EQ(Store.ReadInteger("UptimesInterval"), 600000);
    EXPECT_EQ(Store.ReadString("UptimesHost"), key40);
    EXPECT_TRUE(Client->Reporting());
    int peer = -1;
    EXPECT_EQ(Capture(peer), Expected(key40));
    // The service's answer is not looked at; its close ends the report quietly.
    SendAll(peer, {'H', 'T', 'T', 'P', 0xEA, 0xEA});
    close(peer);
    Loop.RunUntil([] { return false; }, 100);
    EXPECT_TRUE(Errors.empty());

    // Unchecked: the timer stops and the check mark is stored.
    Client->ActUptimesClientClick(false);
    EXPECT_FALSE(Client->Checked());
    EXPECT_FALSE(Client->Reporting());
    EXPECT_FALSE(Store.ReadBool("ActUptimesClient"));
}

TEST_F(UptimesFixture, CancelLeavesTheItemCheckedWithoutReports) {
    Answers = {std::nullopt};
    Client->ActUptimesClientClick(false);
    EXPECT_TRUE(Client->Checked());
    EXPECT_FALSE(Client->Reporting());
    EXPECT_FALSE(Store.ValueExists("UptimesInterval"));
    Answers = {std::nullopt}; // unchecked now: no prompt
    Client->ActUptimesClientClick(false);
    EXPECT_EQ(Prompts.size(), 1u);
    Answers = {std::string("30000"), std::nullopt};
    Client->ActUptimesClientClick(false);
    EXPECT_EQ(Store.ReadInteger("UptimesInterval"), 30000);
    EXPECT_FALSE(Client->Reporting());
}

TEST_F(UptimesFixture, NextReportCutsTheLastOneShort) {
    Store.WriteString("UptimesHost", Key32);
    Client->UptimesTimerTimer();
    int first = -1;
    EXPECT_EQ(Capture(first), Expected(Key32));
    Uptime = 3599;
    Client->UptimesTimerTimer();
    EXPECT_TRUE(PeerClosed(first, 2000)) << "the first report's connection stayed open";
    close(first);
    int second = -1;
    EXPECT_EQ(Capture(second), Expected(Key32));
    EXPECT_NE(Expected(Key32).find("&uptime=59&"), std::string::npos);
    close(second);
}

TEST_F(UptimesFixture, FailedReportIsReportedAndLost) {
    Store.WriteString("UptimesServer", "127.0.0.1:" + std::to_string(FreePort()));
    Client->UptimesTimerTimer();
    ASSERT_TRUE(Loop.RunUntil([&] { return !Errors.empty(); }, 3000));
    EXPECT_EQ(Sent, 0);
    // A setting that names no server falls back to the public service's name.
    Store.WriteString("UptimesServer", "host:0");
    EXPECT_EQ(Client->Server().Host, DefaultUptimesServer);
    EXPECT_EQ(Client->Server().Port, 80);
}

TEST_F(UptimesFixture, StartupResumesOnlyWithAStoredKey) {
    Client->Startup(false, true, 45000);
    EXPECT_TRUE(Client->Checked());
    EXPECT_TRUE(Client->Enabled());
    EXPECT_FALSE(Client->Reporting()) << "no key was ever stored";
    EXPECT_EQ(Client->Interval(), 45000);

    Store.WriteInteger("UptimesHost", 7); // hand-edited, of the wrong type: no key
    EXPECT_NO_THROW(Client->Startup(false, true, 45000));
    EXPECT_FALSE(Client->Reporting());

    Store.WriteString("UptimesHost", Key32);
    Client->Startup(false, true, 5); // hand-edited period: the default
    EXPECT_EQ(Client->Interval(), 60000);
    EXPECT_TRUE(Client->Reporting());
    int peer = -1;
    EXPECT_EQ(Capture(peer), Expected(Key32));
    close(peer);
}

} // namespace
