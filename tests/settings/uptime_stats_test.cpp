#include "settings/registry_store.h"
#include "settings/settings_key.h"
#include "settings/uptime_stats.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace keltrix;

namespace {
class UptimeStats : public testing::Test {
protected:
    std::string path = testing::TempDir() + "/uptime_" + std::to_string(getpid()) + ".reg";
    TRegistryStore store{path};
    void SetUp() override { OpenAndMigrateSettings(store); }
    void TearDown() override { std::remove(path.c_str()); }
};
} // namespace

TEST_F(UptimeStats, ThreeExitsGiveAverageAndLongest) {
    for (std::int64_t up : {1000, 2000, 6000}) RecordExitUptime(store, up);
    EXPECT_EQ(AverageUptime(store, 10), 3000);
    EXPECT_EQ(UpdateLongestUptime(store, 10), 6000);
    EXPECT_EQ(UpdateLongestUptime(store, 7000), 7000); // a longer current uptime is stored
    EXPECT_EQ(ReadInt64Bytes(store, "LongestUptime"), 7000);
    EXPECT_EQ(store.ReadInteger("UptimeCount"), 3);
}

TEST_F(UptimeStats, WithoutStatisticsAverageIsCurrentAndZeroUptimeStillCounts) {
    EXPECT_EQ(AverageUptime(store, 42), 42);
    RecordExitUptime(store, 0);
    EXPECT_EQ(store.ReadInteger("UptimeCount"), 1);
    EXPECT_EQ(ReadInt64Bytes(store, "TotalUptime"), 0);
}

TEST_F(UptimeStats, TotalWithoutCountStartsAfresh) {
    WriteInt64Bytes(store, "TotalUptime", 999999);
    RecordExitUptime(store, 5);
    EXPECT_EQ(ReadInt64Bytes(store, "TotalUptime"), 5);
    store.WriteInteger("UptimeCount", 0);
    EXPECT_EQ(AverageUptime(store, 9), 9);
}

TEST_F(UptimeStats, UptimesBeyond32BitsSurvive) {
    const std::int64_t big = 5'000'000'000LL;
    RecordExitUptime(store, big);
    RecordExitUptime(store, big);
    EXPECT_EQ(AverageUptime(store, 0), big);
    EXPECT_EQ(ReadInt64Bytes(store, "LongestUptime"), big);
}

TEST_F(UptimeStats, AStoredValueOfAnotherTypeLeavesTheFileAsItWas) {
    RecordExitUptime(store, 100);
    store.WriteInteger("TotalUptime", 7);
    std::ifstream before(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(before)), {});
    EXPECT_THROW(RecordExitUptime(store, 200), ERegistryException);
    std::ifstream after(path, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), {}), text);
    // Nothing of the failed change stays behind in the store's own view either.
    EXPECT_EQ(ReadInt64Bytes(store, "LongestUptime"), 100);
}
