#include "platform/linux/proc_parse.h"

#include <gtest/gtest.h>

namespace keltrix::platform::detail {
namespace {

TEST(ProcParse, StatLinesOfOlderKernelsAndExtraLines) {
    TCpuTimes total;
    std::vector<TCpuTimes> cpus(5); // refilled, not appended to
    std::string why;
    ASSERT_TRUE(
        ParseProcStat("cpu  10 1 5 100\ncpu3 10 1 5 100\nintr 5 0\nctxt 9\n", total, cpus, why))
        << why;
    ASSERT_EQ(cpus.size(), 1u);
    EXPECT_EQ(cpus[0].Id, 3);
    EXPECT_EQ(cpus[0].Elapsed(), 116u);
    EXPECT_EQ(cpus[0].IdleAll(), 100u);
    EXPECT_EQ(total.Id, -1);

    // Guest time (the last two) is already inside user and nice.
    ASSERT_TRUE(ParseProcStat("cpu 1 2 3 4 5 6 7 8 100 100\ncpu0 1 2 3 4 5 6 7 8 100 100\n", total,
                              cpus, why));
    EXPECT_EQ(cpus[0].Elapsed(), 36u);
    EXPECT_EQ(cpus[0].IdleAll(), 9u);

    EXPECT_FALSE(ParseProcStat("cpu 1 2 3 4\ncpux 1 2 3 4\n", total, cpus, why));
    EXPECT_NE(why.find("cpux"), std::string::npos);
    EXPECT_FALSE(ParseProcStat("", total, cpus, why));
}

TEST(ProcParse, PidStat) {
    TPidStat stat;
    ASSERT_TRUE(ParsePidStat("42 (a (b) c) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 99", stat));
    EXPECT_EQ(stat.Comm, "a (b) c");
    EXPECT_EQ(stat.UTime, 11u);
    EXPECT_EQ(stat.STime, 12u);
    EXPECT_EQ(stat.Threads, 17u);
    EXPECT_FALSE(ParsePidStat("42 (x) S 1 2 3", stat)) << "cut short";
    EXPECT_FALSE(ParsePidStat("42 x) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17", stat));
    EXPECT_FALSE(ParsePidStat("42 )x( S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17", stat));
    EXPECT_FALSE(ParsePidStat("42 (x) S 1 2 3 4 5 6 7 8 9 10 -11 12 13 14 15 16 17", stat));
}

TEST(ProcParse, NetDevNameMayTouchItsCounters) {
    std::vector<TNetDevLine> lines;
    std::string why;
    ASSERT_TRUE(ParseNetDev("h|\nh|\neth0:123 2 0 0 0 0 0 0 456 3 0 0 0 0 0 0\n\n", lines, why))
        << why;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Name, "eth0");
    EXPECT_EQ(lines[0].RxBytes, 123u);
    EXPECT_EQ(lines[0].TxBytes, 456u);
    EXPECT_FALSE(ParseNetDev("h|\n", lines, why));
    EXPECT_FALSE(ParseNetDev("h|\nh|\n  : 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n", lines, why));
    EXPECT_NE(why.find("without a name"), std::string::npos);
}

TEST(ProcParse, SmallFiles) {
    EXPECT_EQ(ParseLoadavgThreads("0.00 0.01 0.05 1/117 6512\n"), 117u);
    EXPECT_FALSE(ParseLoadavgThreads("0.00 0.01 0.05 117 6512\n"));
    EXPECT_FALSE(ParseLoadavgThreads("0.00 0.01 0.05 1/99999999999 6512\n"));

    EXPECT_EQ(ParseUptime100ns("2744.71 5400.71\n"), 27'447'100'000u);
    EXPECT_EQ(ParseUptime100ns("5"), 50'000'000u);
    EXPECT_EQ(ParseUptime100ns("0.123456789"), 1'234'567u) << "finer than 100 ns is dropped";
    EXPECT_FALSE(ParseUptime100ns("1."));
    EXPECT_FALSE(ParseUptime100ns(".5"));
    EXPECT_FALSE(ParseUptime100ns("1.5x"));
    EXPECT_FALSE(ParseUptime100ns("99999999999999999999"));

    EXPECT_EQ(ParseCpuFamily("processor\t: 0\ncpu family\t: 15\n"), 15u);
    EXPECT_FALSE(ParseCpuFamily("cpu family\t: sixty\n"));
    EXPECT_FALSE(ParseCpuFamily("cpu family\n"));

    const auto release = ParseKernelRelease("4.19.289-rt127\n");
    ASSERT_TRUE(release);
    EXPECT_EQ(release->Major, 4u);
    EXPECT_EQ(release->Minor, 19u);
    EXPECT_EQ(release->Patch, 289u);
    EXPECT_FALSE(ParseKernelRelease("6"));
    EXPECT_FALSE(ParseKernelRelease("6."));
    EXPECT_FALSE(ParseKernelRelease("v6.1"));
}

TEST(ProcParse, MountsDecodeEscapesAndSkipShortLines) {
    std::vector<TMountEntry> entries;
    ParseMounts("/dev/a /x\\040y\\011z\\134 ext4 rw 0 0\nbroken line\n/dev/b /b\\9 xfs\n", entries);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].MountPoint, "/x y\tz\\");
    EXPECT_EQ(entries[1].MountPoint, "/b\\9") << "not an escape";
    EXPECT_EQ(entries[1].Type, "xfs");
}

TEST(ProcParse, PowerSupplyUeventAndFiles) {
    TPowerSupply s;
    ParsePowerSupplyUevent("POWER_SUPPLY_TYPE=Battery\nPOWER_SUPPLY_CAPACITY=42\n"
                           "POWER_SUPPLY_CURRENT_NOW=-1500\nPOWER_SUPPLY_ENERGY_NOW=x\n"
                           "POWER_SUPPLY_SOMETHING_NEW_AND_VERY_LONG_INDEED=1\nDEVTYPE=x\n",
                           s);
    EXPECT_EQ(s.Type, "Battery");
    EXPECT_EQ(s.Capacity, 42);
    EXPECT_EQ(s.CurrentNow, -1500);
    EXPECT_FALSE(s.EnergyNow);
    EXPECT_TRUE(SetPowerSupplyValue("status", "Discharging\n", s));
    EXPECT_EQ(s.Status, "Discharging");
    EXPECT_FALSE(SetPowerSupplyValue("voltage_now", "1", s));
}

} // namespace
} // namespace keltrix::platform::detail
