#include "measure/net_counters.h"
#include "sample_tree.h"

#include <gtest/gtest.h>

namespace keltrix {
namespace {

using test::TSampleTree;

class NetCountersTest : public ::testing::Test {
protected:
    void Sample(std::uint32_t interval = 1000) { ASSERT_TRUE(Net.NetworkBlock(Data, interval)); }

    TSampleTree Tree;
    TNetCounters Net{Tree.Root()};
    TRawData Data{};
};

TEST_F(NetCountersTest, SlotsCountTheFirstFourCountedInterfacesAndAllOfThemInSlotZero) {
    Sample();
    // Sorted by index: lo (loopback) and can0 (other) do not count; eth2 is the fifth.
    EXPECT_EQ(Data.NetReadSum[1], 4194000.0f); // eth0
    EXPECT_EQ(Data.NetReadSum[2], 300.0f);     // wlan0
    EXPECT_EQ(Data.NetReadSum[3], 40.0f);      // tun0
    EXPECT_EQ(Data.NetReadSum[4], 5.0f);       // eth1
    EXPECT_EQ(Data.NetReadSum[0], 4194351.0f); // ... and eth2's 6
    EXPECT_EQ(Data.NetWriteSum[0], 2037.0f);
    // The first sample takes the whole counter as one interval's growth.
    EXPECT_EQ(Data.NetRead[1], 4194000.0f);
    EXPECT_EQ(Data.NetWrite[4], 1.0f);
    // The names the metrics give the slots.
    EXPECT_EQ(Net.SlotNames(), (std::vector<std::string>{"eth0", "wlan0", "tun0", "eth1"}));
}

TEST_F(NetCountersTest, AWrapRaisesTheCorrectionAndAFallOfAHundredKilobytesDoesNot) {
    Sample();
    Tree.Apply("net_wrap/2"); // 4194000 KB -> 500 KB
    Sample();
    EXPECT_EQ(Net.ReadWrap(1), 0x3FFFFF);
    EXPECT_EQ(Data.NetReadSum[1], 4194803.0f);
    // Corrected before the rate: the growth, not a fall of four million.
    EXPECT_EQ(Data.NetRead[1], 803.0f);
    EXPECT_EQ(Net.ReadWrap(0), 0x3FFFFF);
    EXPECT_EQ(Data.NetRead[0], 803.0f);
    EXPECT_EQ(Data.NetRead[2], 0.0f);
    EXPECT_EQ(Net.WriteWrap(1), 0);

    Tree.Apply("net_wrap/3"); // falls by exactly 100 KB
    Sample();
    EXPECT_EQ(Net.ReadWrap(1), 0x3FFFFF);
    EXPECT_EQ(Data.NetReadSum[1], 4194703.0f);
    EXPECT_EQ(Data.NetRead[1], -100.0f);

    Tree.Apply("net_wrap/4"); // falls by 101 KB
    Sample();
    EXPECT_EQ(Net.ReadWrap(1), 2 * 0x3FFFFF);
    EXPECT_EQ(Data.NetReadSum[1], 2.0f * 0x3FFFFF + 299.0f);

    // The set of interfaces changed: a fall now is no wrap, the slot may be another interface.
    Tree.Apply("net_wrap/5");
    Sample();
    EXPECT_EQ(Net.ReadWrap(1), 2 * 0x3FFFFF);
    EXPECT_EQ(Data.NetReadSum[1], 2.0f * 0x3FFFFF);
}

TEST_F(NetCountersTest, ATunnelComingUpIsNoWrapAlthoughTheRowsStayTheSame) {
    Tree.Write("proc/net/dev", "Inter-| Receive | Transmit\n face |bytes packets|bytes packets\n"
                               "    lo: 0 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0\n"
                               "  eth0: 4096 1 0 0 0 0 0 0 1024 1 0 0 0 0 0 0\n"
                               " wlan0: 2048 1 0 0 0 0 0 0 1024 1 0 0 0 0 0 0\n"
                               "  tun0: 0 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0\n"
                               "  can0: 0 1 0 0 0 0 0 0 0 1 0 0 0 0 0 0\n"
                               "  eth1: 512000 1 0 0 0 0 0 0 1024 1 0 0 0 0 0 0\n"
                               "  eth2: 6144 1 0 0 0 0 0 0 2048 1 0 0 0 0 0 0\n");
    Tree.Write("sys/class/net/tun0/flags", "0x1090\n"); // down: slot 3 is eth1
    Sample();
    EXPECT_EQ(Data.NetReadSum[3], 500.0f);
    // tun0 comes up and takes slot 3 with 500 KB less on its counter; the rows are the same,
    // the counted ones not: no wrap.
    Tree.Write("sys/class/net/tun0/flags", "0x10d1\n");
    Sample();
    EXPECT_EQ(Data.NetReadSum[3], 0.0f) << "tun0 now";
    EXPECT_EQ(Data.NetReadSum[4], 500.0f) << "eth1 now";
    EXPECT_EQ(Net.ReadWrap(3), 0);
}

TEST_F(NetCountersTest, NetInterfacesChoosesTheSlots) {
    Net.SetCountedInterfaces("eth2;wlan0");
    Sample();
    EXPECT_EQ(Data.NetReadSum[1], 6.0f);   // eth2
    EXPECT_EQ(Data.NetReadSum[2], 300.0f); // wlan0
    EXPECT_EQ(Data.NetReadSum[3], 0.0f);
    EXPECT_EQ(Data.NetReadSum[0], 306.0f);
}

TEST_F(NetCountersTest, RatesAreScaledFromTheTimerIntervalToOneSecond) {
    const std::pair<std::uint32_t, float> cases[] = {
        {2000, 150.0f}, {1000, 300.0f}, {500, 600.0f}, {0, 300.0f}};
    for (const auto& [interval, rate] : cases) {
        TSampleTree tree;
        TNetCounters net(tree.Root());
        TRawData data{};
        ASSERT_TRUE(net.NetworkBlock(data, interval));
        tree.Apply("net_rate/2"); // 300 KB more on eth0
        ASSERT_TRUE(net.NetworkBlock(data, interval));
        EXPECT_EQ(data.NetRead[1], rate) << interval;
        EXPECT_EQ(data.NetRead[0], rate) << interval;
        EXPECT_EQ(data.NetWrite[1], 0.0f) << interval;
    }
}

TEST_F(NetCountersTest, NewSumValOnlyCorrectsWhenTheRowCountStayed) {
    Data.NetWriteSum[2] = 5000.0f;
    Net.NewSumVal(Data, false, 2, false, 10.0f);
    EXPECT_EQ(Net.WriteWrap(2), 0);
    EXPECT_EQ(Data.NetWriteSum[2], 10.0f);
    Data.NetWriteSum[2] = 5000.0f;
    Net.NewSumVal(Data, false, 2, true, 10.0f);
    EXPECT_EQ(Net.WriteWrap(2), 0x3FFFFF);
    EXPECT_EQ(Data.NetWriteSum[2], 0x3FFFFF + 10.0f);
}

TEST_F(NetCountersTest, ATableThatCannotBeSizedEndsTheSample) {
    Tree.Remove("proc/net/dev");
    Data.NetRead[0] = 7.0f;
    EXPECT_FALSE(Net.NetworkBlock(Data, 1000));
    EXPECT_EQ(Data.NetRead[0], 7.0f);
    EXPECT_FALSE(Net.LastProblem().empty());
}

} // namespace
} // namespace keltrix
