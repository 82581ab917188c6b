#include "app/help_page.h"
#include "app/process_entry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace keltrix;

namespace {

struct Recorder {
    std::vector<std::string> calls;
    bool mutexFree = true;
    TEntryActions Actions() {
        TEntryActions a;
        a.ResetSettings = [this] { calls.push_back("reset"); };
        a.ShowHelpPage = [this] { calls.push_back("help"); };
        a.AcquireMutex = [this] {
            calls.push_back("mutex");
            return mutexFree;
        };
        a.SignalRunningInstance = [this] { calls.push_back("signal"); };
        return a;
    }
};

} // namespace

TEST(ProcessEntry, SwitchesInAnyCaseButHelpExactly) {
    Recorder r;
    r.mutexFree = false;
    auto out = RunProcessEntry({"-reset", "-MuLtIpLe"}, r.Actions());
    EXPECT_TRUE(out.RunAllowed);
    EXPECT_TRUE(out.AllowMultiple);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"reset", "mutex"}));

    Recorder c;
    c.mutexFree = false;
    out = RunProcessEntry({"-c"}, c.Actions());
    EXPECT_TRUE(out.RunAllowed); // a client never looks at the mutex
    EXPECT_TRUE(c.calls.empty());
}

TEST(ProcessEntry, HelpEndsTheScanAndOrderOfResetMatters) {
    Recorder r;
    auto out = RunProcessEntry({"-RESET", "-?", "-RESET"}, r.Actions());
    EXPECT_TRUE(out.HelpShown);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"reset", "help"}));

    Recorder h;
    out = RunProcessEntry({"-?", "-RESET"}, h.Actions());
    EXPECT_EQ(h.calls, (std::vector<std::string>{"help"}));
}

TEST(ProcessEntry, RefusedInstanceSignalsTheRunningOne) {
    Recorder r;
    r.mutexFree = false;
    auto out = RunProcessEntry({}, r.Actions());
    EXPECT_FALSE(out.RunAllowed);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"mutex", "signal"}));
}

TEST(ProcessEntry, LongOptionsAreTakenOutBeforeSwitches) {
    std::vector<std::string> args{"--help", "-c", "--bogus", "-ifoo", "--"};
    const TLongOptions o = TakeLongOptions(args);
    EXPECT_TRUE(o.Help);
    EXPECT_FALSE(o.Version);
    EXPECT_EQ(o.Unknown, (std::vector<std::string>{"--bogus"}));
    EXPECT_EQ(args, (std::vector<std::string>{"-c", "-ifoo", "--"}));
}

TEST(ProcessEntry, TagsAndAutostartTakeOnlyTheirOwnValues) {
    std::vector<std::string> args{"--tags", "--autostart=off", "-h"};
    TLongOptions o = TakeLongOptions(args);
    EXPECT_TRUE(o.Tags);
    EXPECT_EQ(o.Autostart, false);
    EXPECT_TRUE(o.Unknown.empty());
    args = {"--autostart=on"};
    EXPECT_EQ(TakeLongOptions(args).Autostart, true);
    args = {"--autostart", "--autostart=yes"};
    o = TakeLongOptions(args);
    EXPECT_FALSE(o.Autostart);
    ASSERT_EQ(o.Unknown.size(), 2u);
    EXPECT_NE(o.Unknown[1].find("--autostart=on or --autostart=off"), std::string::npos);
}

TEST(ProcessEntry, UsageHasEveryLineWithinEightyColumns) {
    const std::string usage = UsageText("keltrix");
    std::size_t start = 0;
    while (start < usage.size()) {
        const std::size_t end = usage.find('\n', start);
        EXPECT_LE(end - start, 79u) << usage.substr(start, end - start);
        start = end + 1;
    }
    for (const char* s : {"\n  -noballoon ", "\n  -instanceid(NAME) ", "\n  -h ", "\n  -l ",
                          "\n  --tags ", "\n  -loadkcfg(FILE) "})
        EXPECT_NE(usage.find(s), std::string::npos) << s;
}

TEST(HelpPage, WrittenWithCrLfAndOverwritten) {
    const std::string path = testing::TempDir() + "/vsinftmp_" + std::to_string(getpid()) + ".htm";
    { std::ofstream(path) << std::string(100000, 'x'); }
    WriteHelpPage(path);
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    const auto lines = HelpPageLines();
    ASSERT_EQ(lines.size(), 23u);
    std::string expected;
    for (const auto& l : lines) expected += l + "\r\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(lines[0], "<HTML><HEAD><TITLE>Vistrand Network Configuration</TITLE><BODY "
                        "bgColor=#ffffff><H4>Basic Network Setup</H4>");
    EXPECT_EQ(lines[15], "In case you want to monitor your system when you are behind a");
    EXPECT_EQ(lines[22].rfind("<P>Most of this text came from the Vistrand website, at ", 0), 0u);
    EXPECT_EQ(lines[22].substr(lines[22].size() - 15), ". Check it out!");
    std::remove(path.c_str());
    EXPECT_THROW(WriteHelpPage("/nonexistent-dir/vsinftmp.htm"), std::exception);
}
