#include "app/startup_switches.h"

#include <gtest/gtest.h>

using namespace keltrix;

namespace {
TStartupSwitches Parse(std::vector<std::string> args, const std::string* line = nullptr) {
    return ParseStartupSwitches(args, line, [](const std::string& f) { return f == "set.kcfg"; });
}
} // namespace

TEST(StartupSwitches, ClientFieldsOverlapAndOnlyThePasswordKeepsItsCase) {
    auto s = Parse({"-c", "-iMyHost", "-P6131", "-dSecret"});
    EXPECT_TRUE(s.ClientMode);
    EXPECT_EQ(s.ClientHost, "myhost");
    EXPECT_EQ(s.ClientPort, 6131);
    // Lower-cased, a password with capitals could never match the server's key.
    EXPECT_EQ(s.ClientPassword, "Secret");
    s = Parse({"-c", "-ih", "-DMiXeD"});
    EXPECT_EQ(s.ClientPassword, "MiXeD");

    // -debug also sets the password; -id(x) also sets the host; later fields override.
    s = Parse({"-c", "-ia", "-debug", "-id(Office)"});
    EXPECT_TRUE(s.DebugMode);
    EXPECT_EQ(s.ClientPassword, "ebug");
    EXPECT_EQ(s.InstanceId, "Office"); // the id keeps its letter case
    EXPECT_EQ(s.ClientHost, "d(office)");
    s = Parse({"-id(Office PC)"}); // split at the space: no closing bracket in the field
    EXPECT_EQ(s.InstanceId, "");
    s = Parse({"-c", "-ix", "-dpw", "-dlater", "-iy"});
    EXPECT_EQ(s.ClientPassword, "later");
    EXPECT_EQ(s.ClientHost, "y");
}

TEST(StartupSwitches, ClientWithoutHostIsNoClientAndBadPortIsDefault) {
    auto s = Parse({"-c", "-pabc"});
    EXPECT_FALSE(s.ClientMode);
    EXPECT_EQ(s.ClientPort, 6130);
    s = Parse({"-p99999999999"});
    EXPECT_EQ(s.ClientPort, 6130);
}

TEST(StartupSwitches, MessagesInOrderWithFirstMessageForms) {
    auto s = Parse({"-stats", "-advdebug", "-noupdate"});
    EXPECT_EQ(s.StartupMessages,
              "Uptime Menu Item Active\r\nAdvanced Debuging is ACTIVE\r\nUpdate Disabled");
    s = Parse({"-advdebug100", "-stats"});
    EXPECT_EQ(s.StartupMessages, "Advanced Debugning is ACTIVE\r\nUptime Menu Items Active");
    EXPECT_EQ(s.AdvancedLogLevel, 100);
    s = Parse({"-advdebugx"});
    EXPECT_TRUE(s.AdvancedLog);
    EXPECT_EQ(s.AdvancedLogLevel, 0);
}

TEST(StartupSwitches, ParameterLineAndSpacesMakeFields) {
    const std::string line = "-h -l";
    auto s = Parse({"-l  -noballoon"}, &line);
    EXPECT_TRUE(s.HideTrayIcon);
    EXPECT_EQ(s.LockToggles, 2);
    EXPECT_TRUE(s.NoBalloon);
    s = Parse({"-NORESIZE"});
    EXPECT_FALSE(s.ScreenAdjust);
}

TEST(StartupSwitches, ConfigSetFileMustExist) {
    auto s = Parse({"-loadkcfg(set.kcfg)", "-c"});
    EXPECT_EQ(s.KcfgFile, "set.kcfg");
    EXPECT_TRUE(s.Errors.empty());
    s = Parse({"-usekcfg(missing.kcfg)"});
    EXPECT_TRUE(s.KcfgFile.empty());
    ASSERT_EQ(s.Errors.size(), 1u);
    EXPECT_EQ(s.Errors[0], "KCFG file - Doesn't exists\r\n\r\nmissing.kcfg");
    s = Parse({"-LOADKCFG(set.kcfg)"}); // case-sensitive: an ordinary field, "-l" toggles
    EXPECT_TRUE(s.KcfgFile.empty());
    EXPECT_EQ(s.LockToggles, 1);
}

#include "app/monitor_core.h"

TEST(ProcessorType, FamiliesAndUnknown) {
    EXPECT_EQ(ProcessorType(1), "IA64");
    EXPECT_EQ(ProcessorType(6), "i686");
    EXPECT_EQ(ProcessorType(3), "i386");
    EXPECT_EQ(ProcessorType(15), "UNK?");
    EXPECT_EQ(ProcessorType(0), "UNK?");
}
