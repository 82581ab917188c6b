#include "platform/power_status.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <string>

namespace keltrix::platform {
namespace {

using test::DataRoot;
using test::TTempTree;

struct TExpected {
    const char* Tree;
    std::uint8_t AC, Flag, Percent;
    std::uint32_t Life, FullLife;
};

TEST(PowerStatus, RecordedSupplies) {
    constexpr std::uint32_t U = BATTERY_LIFE_UNKNOWN;
    const TExpected cases[] = {
        // Mains only: no battery.
        {"power/none", 1, 128, 255, U, U},
        // Times are not told while charging.
        {"power/charging", 1, 8, 57, U, U},
        // 10 Wh left and 50 Wh full at 5 W.
        {"power/low", 0, 2, 20, 7200, 36000},
        // Attribute files only; 150 mAh left and 5000 mAh full at -1 A.
        {"power/critical", 0, 4, 3, 540, 18000},
        // Two batteries (80 and 91: 86 on average), a mouse battery left out, no rate known.
        {"power/high", 0, 1, 86, U, U},
        // The folder exists but no supply is listed: line status unknown.
        {"power/desktop", 255, 128, 255, U, U},
    };
    for (const TExpected& c : cases) {
        SYSTEM_POWER_STATUS s{};
        const TResult result = GetSystemPowerStatus(s, DataRoot(c.Tree));
        EXPECT_TRUE(result) << c.Tree << ": " << result.Reason;
        EXPECT_EQ(s.ACLineStatus, c.AC) << c.Tree;
        EXPECT_EQ(s.BatteryFlag, c.Flag) << c.Tree;
        EXPECT_EQ(s.BatteryLifePercent, c.Percent) << c.Tree;
        EXPECT_EQ(s.Reserved1, 0) << c.Tree;
        EXPECT_EQ(s.BatteryLifeTime, c.Life) << c.Tree;
        EXPECT_EQ(s.BatteryFullLifeTime, c.FullLife) << c.Tree;
    }
}

TEST(PowerStatus, NoPowerSupplyFolderMeansNoBattery) {
    TTempTree tree;
    SYSTEM_POWER_STATUS s{};
    ASSERT_TRUE(GetSystemPowerStatus(s, tree.Root()));
    EXPECT_EQ(s.ACLineStatus, AC_LINE_UNKNOWN);
    EXPECT_EQ(s.BatteryFlag, BATTERY_FLAG_NO_BATTERY);
    EXPECT_EQ(s.BatteryLifePercent, BATTERY_PERCENTAGE_UNKNOWN);
    EXPECT_EQ(s.BatteryLifeTime, BATTERY_LIFE_UNKNOWN);
}

TEST(PowerStatus, LevelFlagBoundaries) {
    const struct {
        const char* Status;
        int Capacity;
        std::uint8_t Flag;
    } cases[] = {{"Discharging", 67, 1}, {"Discharging", 66, 0}, {"Discharging", 33, 0},
                 {"Discharging", 32, 2}, {"Discharging", 5, 2},  {"Discharging", 4, 4},
                 {"Full", 100, 1},       {"Charging", 2, 8},     {"Not charging", 50, 0}};
    for (const auto& c : cases) {
        TTempTree tree;
        tree.Write("sys/class/power_supply/BAT0/uevent",
                   std::string("POWER_SUPPLY_TYPE=Battery\nPOWER_SUPPLY_STATUS=") + c.Status +
                       "\nPOWER_SUPPLY_CAPACITY=" + std::to_string(c.Capacity) + "\n");
        SYSTEM_POWER_STATUS s{};
        ASSERT_TRUE(GetSystemPowerStatus(s, tree.Root()));
        EXPECT_EQ(s.BatteryFlag, c.Flag) << c.Status << " " << c.Capacity;
        EXPECT_EQ(s.BatteryLifePercent, c.Capacity);
        EXPECT_EQ(s.ACLineStatus, AC_LINE_UNKNOWN) << "no mains supply listed";
    }
}

TEST(PowerStatus, BatteryThatTellsNothingIsUnknownNotAbsent) {
    TTempTree tree;
    tree.Write("sys/class/power_supply/BAT0/uevent",
               "POWER_SUPPLY_TYPE=Battery\nPOWER_SUPPLY_STATUS=Unknown\n"
               "POWER_SUPPLY_CAPACITY=lots\n");
    SYSTEM_POWER_STATUS s{};
    ASSERT_TRUE(GetSystemPowerStatus(s, tree.Root()));
    EXPECT_EQ(s.BatteryFlag, BATTERY_FLAG_UNKNOWN);
    EXPECT_EQ(s.BatteryLifePercent, BATTERY_PERCENTAGE_UNKNOWN);
}

TEST(PowerStatus, HostileFiguresStayInRange) {
    TTempTree tree;
    tree.Write("sys/class/power_supply/BAT0/uevent",
               "POWER_SUPPLY_TYPE=Battery\nPOWER_SUPPLY_STATUS=Discharging\n"
               "POWER_SUPPLY_CAPACITY=250\nPOWER_SUPPLY_ENERGY_NOW=9223372036854775807\n"
               "POWER_SUPPLY_ENERGY_FULL=-9223372036854775808\nPOWER_SUPPLY_POWER_NOW=1\n");
    SYSTEM_POWER_STATUS s{};
    ASSERT_TRUE(GetSystemPowerStatus(s, tree.Root()));
    EXPECT_EQ(s.BatteryLifePercent, 100);
    EXPECT_EQ(s.BatteryLifeTime, BATTERY_LIFE_UNKNOWN) << "more seconds than the field holds";
}

TEST(PowerStatus, UnreadableSupplyIsAFailure) {
    TTempTree tree;
    tree.Folder("sys/class/power_supply/BAT0/uevent"); // reading it fails
    SYSTEM_POWER_STATUS s{};
    const TResult result = GetSystemPowerStatus(s, tree.Root());
    EXPECT_FALSE(result);
    EXPECT_NE(result.Reason.find("BAT0/uevent"), std::string::npos) << result.Reason;
    EXPECT_EQ(s.BatteryFlag, BATTERY_FLAG_UNKNOWN);
    EXPECT_EQ(s.BatteryLifePercent, BATTERY_PERCENTAGE_UNKNOWN);
}

} // namespace
} // namespace keltrix::platform
