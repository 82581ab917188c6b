// The update check: the update file's rules, the long poll timer on a clock of the test's
// own, the download bounds, and whole checks against a loopback HTTP server of the test's own.
#include "platform/url_download.h"
#include "settings/registry_store.h"
#include "settings/settings_key.h"
#include "update/poll_timer.h"
#include "update/update_check.h"
#include "update/update_file.h"

#include "../net/link_test_util.h"
#include "../settings/settings_test_util.h"
#include "http_test_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>

using namespace keltrix;
using namespace keltrix::testing;

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

TEST(UpdateFile, ShortFirstLinesArePadded) {
    EXPECT_EQ(PadVersionLine("9"), "900");
    EXPECT_EQ(PadVersionLine(""), "000");
    EXPECT_EQ(PadVersionLine("99"), "99");
    EXPECT_EQ(PadVersionLine("1003"), "1003");
    EXPECT_EQ(ParseUpdateFile("9\r\nhttp://x/\r\n").Version, 900);
    EXPECT_EQ(ParseUpdateFile("99\r\nhttp://x/\r\n").Version, 99);
    EXPECT_EQ(ParseUpdateFile("\r\nhttp://x/\r\n").Version, 0);
    EXPECT_EQ(ParseUpdateFile("").Version, 0);
}

TEST(UpdateFile, LinesAndVerdicts) {
    const TUpdateFile crlf = ParseUpdateFile("1003\r\nhttp://example.test/dl\r\nignored\r\n");
    EXPECT_EQ(crlf.Version, 1003);
    EXPECT_EQ(crlf.Page, "http://example.test/dl");
    EXPECT_EQ(ParseUpdateFile("1003\nhttp://a/\n").Page, "http://a/");
    EXPECT_EQ(ParseUpdateFile("1003\rhttp://a/").Page, "http://a/");
    EXPECT_EQ(ParseUpdateFile("\xEF\xBB\xBF"
                              "1004\n")
                  .Version,
              1004);
    EXPECT_EQ(ParseUpdateFile(" 1003 \n").Version, 1003);
    EXPECT_EQ(ParseUpdateFile("1003").Page, "");

    EXPECT_EQ(Judge(ParseUpdateFile("1003\n")), TUpdateVerdict::Newer);
    EXPECT_EQ(Judge(ParseUpdateFile("1002\n")), TUpdateVerdict::Current);
    EXPECT_EQ(Judge(ParseUpdateFile("9\n")), TUpdateVerdict::Outdated);
    EXPECT_EQ(Judge(ParseUpdateFile("-5\n")), TUpdateVerdict::Outdated);
    for (const char* bad : {"abc\n", "10 03\n", "1003x\n", "99999999999\n", "<html>\n", "0x3EB\n"})
        EXPECT_EQ(Judge(ParseUpdateFile(bad)), TUpdateVerdict::Unreadable) << bad;
}

TEST(UpdateFile, PollDays) {
    EXPECT_EQ(PollDaysFrom("12"), 12);
    EXPECT_EQ(PollDaysFrom(" 0 "), 0);
    EXPECT_EQ(PollDaysFrom("65535"), 65535);
    for (const char* bad : {"65536", "-1", "abc", "", "1.5", "99999999999"})
        EXPECT_FALSE(PollDaysFrom(bad)) << bad;
}

// The poll timer, woken often, on a clock the test moves.
struct PollTimerFixture : ::testing::Test {
    platform::TPollLoop Loop;
    std::uint64_t Now = 1'000'000;
    TPollTimer Timer{Loop, [this] { return Now; }, 5};
    int Ticks = 0;
    void SetUp() override {
        Timer.OnTimer = [this] { ++Ticks; };
    }
    void Wait() {
        Loop.RunUntil([] { return false; }, 40);
    }
};

TEST_F(PollTimerFixture, PeriodsBeyondThirtyTwoBitsTickOnce) {
    for (const std::uint64_t days : {30ull, 65535ull}) {
        Ticks = 0;
        const std::uint64_t period = days * MsPerDay;
        Timer.SetInterval(period);
        Timer.SetEnabled(true);
        EXPECT_EQ(Timer.Interval(), period);
        EXPECT_EQ(Timer.Remaining(), period);
        Wait();
        EXPECT_EQ(Ticks, 0);
        Now += period - 1;
        Wait();
        EXPECT_EQ(Ticks, 0) << days << " days ticked a millisecond early";
        Now += 1;
        Wait();
        EXPECT_EQ(Ticks, 1) << days << " days";
        Wait();
        EXPECT_EQ(Ticks, 1) << "the next period counts from the tick";
        EXPECT_EQ(Timer.Remaining(), period);
    }
    EXPECT_EQ(65535ull * MsPerDay, 5'662'224'000'000ull);
}

TEST_F(PollTimerFixture, SleptThroughManyPeriodsTicksOnceAndStops) {
    Timer.SetInterval(2 * MsPerDay);
    Timer.SetEnabled(true);
    Now += 20 * MsPerDay;
    Wait();
    EXPECT_EQ(Ticks, 1);
    Timer.SetEnabled(false);
    Now += 20 * MsPerDay;
    Wait();
    EXPECT_EQ(Ticks, 1);
    EXPECT_EQ(Timer.Remaining(), 0u);
    Timer.SetInterval(0);
    Timer.SetEnabled(true); // a period of 0 stays idle
    Now += 20 * MsPerDay;
    Wait();
    EXPECT_EQ(Ticks, 1);
}

TEST(UrlDownload, BoundedInSizeAndTimeAndLeavesNoFileOnFailure) {
    TTempDir dir;
    const std::string file = dir.File("update.col");
    THttpTestServer server;
    server.Serve("1003\r\nhttp://a/\r\n");
    ASSERT_TRUE(platform::URLDownloadToFile(server.Url(), file));
    EXPECT_EQ(ReadAll(file), "1003\r\nhttp://a/\r\n");

    server.Status(404);
    const platform::TResult missing = platform::URLDownloadToFile(server.Url(), file);
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.Reason.find("404"), std::string::npos) << missing.Reason;
    EXPECT_FALSE(Exists(file));

    platform::TDownloadLimits limits;
    limits.MaxBytes = 1000;
    server.ServeLarge("1003\r\n", 1001);
    const platform::TResult large = platform::URLDownloadToFile(server.Url(), file, limits);
    EXPECT_FALSE(large);
    EXPECT_NE(large.Reason.find("larger than 1000 bytes"), std::string::npos) << large.Reason;
    EXPECT_FALSE(Exists(file));

    limits.TotalTimeoutMs = 300;
    server.Hang();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(platform::URLDownloadToFile(server.Url(), file, limits));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(Exists(file));

    const platform::TResult unwritable =
        platform::URLDownloadToFile(server.Url(), dir.File("no/such/folder/update.col"));
    EXPECT_FALSE(unwritable);
    EXPECT_NE(unwritable.Reason.find("cannot write"), std::string::npos) << unwritable.Reason;
}

// Whole checks: what the user would be asked or told, and that the timer pause always ends.
struct UpdateCheckFixture : ::testing::Test {
    TTempDir Dir;
    TRegistryStore Store{Dir.File("registry.reg")};
    platform::TPollLoop Loop;
    THttpTestServer Server;
    std::unique_ptr<TUpdateCheck> Check;
    std::vector<std::string> Shown; // "ask: ..." and "tell: ..."
    std::vector<std::string> Opened;
    bool Answer = false;
    int PromptDepth = 0;
    int Prompts = 0;
    int Finished = 0;

    void SetUp() override {
        ASSERT_TRUE(Store.OpenKey(SettingsKeyPath, true));
        Store.WriteString("UpdateURL", Server.Url());
        Check = std::make_unique<TUpdateCheck>(Loop, Store, Dir.File("update.col"));
        Check->Limits.TotalTimeoutMs = 400; // the window's own bound is 5 s; tests keep short
        Check->Hooks.BeginPrompt = [this] {
            ++PromptDepth;
            ++Prompts;
        };
        Check->Hooks.EndPrompt = [this] { --PromptDepth; };
        Check->Hooks.AskYesNo = [this](const std::string& t) {
            EXPECT_EQ(PromptDepth, 1) << "asked without the timer suspended";
            Shown.push_back("ask: " + t);
            return Answer;
        };
        Check->Hooks.Inform = [this](const std::string& t) {
            EXPECT_EQ(PromptDepth, 1) << "told without the timer suspended";
            Shown.push_back("tell: " + t);
        };
        Check->Hooks.OpenPage = [this](const std::string& page, std::string&) {
            Opened.push_back(page);
            return true;
        };
        Check->Hooks.OnFinished = [this] { ++Finished; };
    }
    // One check to its end; the pause has ended and the copy is gone.
    std::vector<std::string> Run(bool automatic, bool menu = false) {
        Shown.clear();
        const int before = Finished;
        if (menu) {
            Check->CheckForUpdate1Click();
        } else {
            Check->CheckForUpdate(automatic);
        }
        EXPECT_TRUE(Loop.RunUntil([&] { return Finished > before; }, 5000));
        EXPECT_EQ(PromptDepth, 0);
        EXPECT_FALSE(Check->Busy());
        EXPECT_FALSE(Exists(Check->TempFile()));
        return Shown;
    }
    using V = std::vector<std::string>;
};

TEST_F(UpdateCheckFixture, NewerVersionAsksAccordingToWhoAsked) {
    Check->UpdateEnabled = true;
    Server.Serve("1003\r\nhttp://example.test/download\r\n");
    EXPECT_EQ(Run(true), V{"ask: There is a new version available of keltrix.\r\nProceed to "
                           "download page ?"});
    EXPECT_TRUE(Opened.empty()) << "No opened the page";
    Answer = true;
    EXPECT_EQ(Run(false, true), V{"ask: Update Found !!!\r\nLaunch Webpage ?"});
    EXPECT_EQ(Opened, V{"http://example.test/download"});
}

TEST_F(UpdateCheckFixture, SameOrOlderVersionIsToldOnlyWhenAsked) {
    Check->UpdateEnabled = true;
    Server.Serve("1002\r\nhttp://a/\r\n");
    EXPECT_EQ(Run(true), V{});
    EXPECT_EQ(Run(false, true), V{"tell: You are running the most current version"});
    for (const char* first : {"9", "99", ""}) {
        Server.Serve(std::string(first) + "\r\nhttp://a/\r\n");
        EXPECT_EQ(Run(true), V{}) << first;
        EXPECT_EQ(Run(false, true), V{"tell: Server location is outdated"}) << first;
    }
    EXPECT_EQ(Prompts, 8) << "every check pauses the main timer once the file is in";
}

TEST_F(UpdateCheckFixture, FailuresSayTheInfoIsMissing) {
    Check->UpdateEnabled = true;
    Server.Serve("abc\r\nhttp://a/\r\n");
    EXPECT_EQ(Run(false, true), V{"tell: Update info could not be read"});
    EXPECT_EQ(Run(true), V{"tell: Update info could not be read"});
    Server.Status(404);
    EXPECT_EQ(Run(true), V{"tell: Update info could not be downloaded"});
    Server.Hang();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(false, true), V{"tell: Update info could not be downloaded"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    Server.ServeLarge("1003\r\nhttp://a/\r\n", 20 << 20);
    EXPECT_EQ(Run(false, true), V{"tell: Update info could not be downloaded"});
    Store.WriteString("UpdateURL", "http://127.0.0.1:" + std::to_string(FreePort()) + "/u");
    EXPECT_EQ(Run(true), V{"tell: Update info could not be downloaded"});
}

TEST_F(UpdateCheckFixture, DisabledUpdatesOnlyAnswerTheMenu) {
    Server.Serve("1002\r\n");
    Check->CheckForUpdate(true);
    Loop.RunUntil([] { return false; }, 100);
    EXPECT_EQ(Server.Requests(), 0);
    EXPECT_EQ(Finished, 0);
    Check->NoUpdate = true;
    EXPECT_EQ(Run(false, true), V{"tell: You are running the most current version"});
    EXPECT_FALSE(Check->UpdateEnabled) << "the menu's check restores the setting";
    EXPECT_TRUE(Check->NoUpdate);
}

TEST_F(UpdateCheckFixture, OneCheckAtATime) {
    Check->UpdateEnabled = true;
    Server.Hang();
    Check->CheckForUpdate(false);
    EXPECT_TRUE(Check->Busy());
    Check->CheckForUpdate(true);
    EXPECT_TRUE(Loop.RunUntil([&] { return Finished == 1; }, 5000));
    Loop.RunUntil([] { return false; }, 100);
    EXPECT_EQ(Finished, 1);
    EXPECT_EQ(Server.Requests(), 1);
}

TEST_F(UpdateCheckFixture, StartupAndSettings) {
    Server.Serve("1003\r\nhttp://a/\r\n");
    // "-noupdate" skips the start-up check; the poll timer still runs.
    Check->Startup(true, true, 3, true);
    Loop.RunUntil([] { return false; }, 100);
    EXPECT_EQ(Server.Requests(), 0);
    EXPECT_TRUE(Check->updatetimer().Enabled());
    EXPECT_EQ(Check->updatetimer().Interval(), 3 * MsPerDay);
    // The stored value's low 16 bits are the period.
    Check->Startup(false, false, 0x10000 + 12, false);
    EXPECT_EQ(Check->PollDays(), 12);
    Check->Startup(true, true, 0, false);
    EXPECT_FALSE(Check->updatetimer().Enabled());
    EXPECT_TRUE(Loop.RunUntil([&] { return Finished == 1; }, 5000));
    EXPECT_EQ(Shown.size(), 1u);

    Check->Apply(true, false, 12);
    EXPECT_EQ(Check->updatetimer().Interval(), 1'036'800'000u);
    EXPECT_TRUE(Check->updatetimer().Enabled());
    EXPECT_TRUE(Store.ReadBool("AutoUpdate"));
    EXPECT_FALSE(Store.ReadBool("AU_Startup"));
    EXPECT_EQ(Store.ReadInteger("AU_Poll"), 12);
    Check->Apply(false, true, 0);
    EXPECT_FALSE(Check->updatetimer().Enabled());
    EXPECT_EQ(Store.ReadInteger("AU_Poll"), 0);
    Check->Apply(true, true, 65535);
    EXPECT_EQ(Check->updatetimer().Interval(), 5'662'224'000'000u);
}

TEST_F(UpdateCheckFixture, UrlSetting) {
    EXPECT_EQ(Check->Url(), Server.Url());
    Store.WriteString("UpdateURL", "  ");
    EXPECT_EQ(Check->Url(), DefaultUpdateURL);
    Store.WriteInteger("UpdateURL", 1); // of the wrong type: the default, no error
    EXPECT_EQ(Check->Url(), DefaultUpdateURL);
}

TEST_F(UpdateCheckFixture, AStaleCopyIsNeverRead) {
    Check->UpdateEnabled = true;
    WriteAll(Check->TempFile(), "1003\r\nhttp://stale/\r\n");
    Server.Status(500);
    EXPECT_EQ(Run(false, true), V{"tell: Update info could not be downloaded"});
}

} // namespace
