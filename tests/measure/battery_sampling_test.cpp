// The battery tags over a recorded power-supply folder, sampled with no other tag in use.
#include "../platform/temp_tree.h"
#include "measure/sampling_cycle.h"

#include <gtest/gtest.h>

namespace keltrix {
namespace {

using platform::test::TTempTree;

constexpr const char* Line =
    "<NAME=Source>|<NAME=BatActivity>|<NAME=BatPercent>|<NAME=TimeLeft FORMAT=\"*h*:*M*\">|"
    "<NAME=TimeTotal FORMAT=\"*h*:*M*\">";

class BatterySamplingTest : public ::testing::Test {
protected:
    BatterySamplingTest() {
        TSamplingSources sources;
        sources.Root = Tree.Root();
        Cycle = std::make_unique<TSamplingCycle>(Shell, Formatters, std::move(sources));
        Use(Line);
    }
    void Use(const std::string& format) {
        FormatString = format;
        for (auto& f : Formatters) f->DecideIfActive(format);
    }
    void Supplies(const std::string& mains, const std::string& battery) const {
        std::filesystem::remove_all(Tree.Root() + "/sys");
        Tree.Folder("sys/class/power_supply");
        if (!mains.empty())
            Tree.Write("sys/class/power_supply/AC/uevent",
                       "POWER_SUPPLY_TYPE=Mains\nPOWER_SUPPLY_ONLINE=" + mains + "\n");
        if (!battery.empty())
            Tree.Write("sys/class/power_supply/BAT0/uevent",
                       "POWER_SUPPLY_TYPE=Battery\n" + battery);
    }
    std::string Sample() {
        Cycle->GetInfo(false);
        std::string text = FormatString;
        for (const auto& f : Formatters) text = f->ApplyTags(std::move(text));
        return text;
    }

    TTempTree Tree;
    TRawDataShell Shell;
    TFormatterList Formatters = CreateFormatters(Shell);
    std::unique_ptr<TSamplingCycle> Cycle;
    std::string FormatString;
};

TEST_F(BatterySamplingTest, EveryStateReadsAsTheTagsName) {
    const struct {
        const char* Mains;
        std::string Battery;
        const char* Shown;
    } cases[] = {
        // 7.5 Wh left and 50 Wh full at 5 W: 5400 s and 36000 s.
        {"0",
         "POWER_SUPPLY_STATUS=Discharging\nPOWER_SUPPLY_CAPACITY=80\n"
         "POWER_SUPPLY_ENERGY_NOW=7500000\nPOWER_SUPPLY_ENERGY_FULL=50000000\n"
         "POWER_SUPPLY_POWER_NOW=5000000\n",
         "Battery|High|80|1:30|10:00"},
        {"1", "POWER_SUPPLY_STATUS=Charging\nPOWER_SUPPLY_CAPACITY=57\n",
         "AC|Charging|57|Unknown|Unknown"},
        {"0", "POWER_SUPPLY_STATUS=Discharging\nPOWER_SUPPLY_CAPACITY=20\n",
         "Battery|Low|20|Unknown|Unknown"},
        {"0", "POWER_SUPPLY_STATUS=Discharging\nPOWER_SUPPLY_CAPACITY=3\n",
         "Battery|Critical|3|Unknown|Unknown"},
        // Between low and high a battery has no level of its own.
        {"0", "POWER_SUPPLY_STATUS=Discharging\nPOWER_SUPPLY_CAPACITY=50\n",
         "Battery|UNKNOWN|50|Unknown|Unknown"},
        {"1", "", "AC|No battery|Unknown|Unknown|Unknown"},
        {"", "POWER_SUPPLY_STATUS=Unknown\nPOWER_SUPPLY_CAPACITY=lots\n",
         "UNKNOWN|UNKNOWN|Unknown|Unknown|Unknown"},
    };
    for (const auto& c : cases) {
        Supplies(c.Mains, c.Battery);
        EXPECT_EQ(Sample(), c.Shown) << c.Battery;
    }
}

TEST_F(BatterySamplingTest, BatteryTagsAloneKeepThePowerStatusFresh) {
    Supplies("1", "POWER_SUPPLY_STATUS=Charging\nPOWER_SUPPLY_CAPACITY=57\n");
    EXPECT_EQ(Sample(), "AC|Charging|57|Unknown|Unknown");
    Supplies("0", "POWER_SUPPLY_STATUS=Discharging\nPOWER_SUPPLY_CAPACITY=90\n");
    EXPECT_EQ(Sample(), "Battery|High|90|Unknown|Unknown");
    // The default usages: known times without a format are empty, padded to five.
    Supplies("0", "POWER_SUPPLY_STATUS=Discharging\nPOWER_SUPPLY_CAPACITY=90\n"
                  "POWER_SUPPLY_ENERGY_NOW=7500000\nPOWER_SUPPLY_POWER_NOW=5000000\n"
                  "POWER_SUPPLY_ENERGY_FULL=50000000\n");
    Use("<NAME=TimeLeft SIZE=5>|<NAME=TimeTotal SIZE=5>|<NAME=BatPercent SIZE=5>");
    EXPECT_EQ(Sample(), "     |     |90   ");
}

} // namespace
} // namespace keltrix
