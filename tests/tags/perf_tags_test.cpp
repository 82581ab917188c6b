#include "tags/formatters.h"
#include "tags/number_format.h"

#include <gtest/gtest.h>

using namespace keltrix;

namespace {

constexpr std::uint32_t MB = 1048576;

// Tags go through the real formatters as the display applies them.
class TagRenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLocaleSeparators({".", ","});
        for (const auto& f : Formatters) f->Active = true;
    }
    void TearDown() override { SetLocaleSeparators({".", ","}); }

    std::string Render(const std::string& line) {
        std::string text = line;
        for (const auto& f : Formatters) text = f->ApplyTags(text);
        return text;
    }

    TRawDataShell Shell;
    TRawData& Data = Shell.Data();
    TFormatterList Formatters = CreateFormatters(Shell);
};

TEST_F(TagRenderTest, FreshRecordRendersZeros) {
    EXPECT_EQ(Render("<NAME=ProcUsage FORMAT=\"ALL\">"), "0");
    EXPECT_EQ(Render("<NAME=ProcUsage LEADZERO>"), "00");
    EXPECT_EQ(Render("<NAME=NetRead LEADZERO DECIMAL>"), "00.00");
    EXPECT_EQ(Render("<NAME=Threads>|<NAME=Processes>|<NAME=RAMUsed>|<NAME=PageFree>"), "0|0|0|0");
    EXPECT_EQ(Render("<NAME=Uptime FORMAT=\"*h*:*M*\">"), "0:00");
    EXPECT_EQ(Render("[<NAME=TopProc FORMAT=\"Title\">]"), "[]");
    EXPECT_EQ(Render("<NAME=RAMUsed FORMAT=\"%\" DECIMAL>"), "0.00"); // zero total
}

TEST_F(TagRenderTest, ProcessorUsagePicksTheProcessor) {
    Data.ProcUsage[0] = 37.25f;
    Data.ProcUsage[2] = 4.6f;
    EXPECT_EQ(Render("<NAME=ProcUsage FORMAT=\"ALL\">"), "37");
    EXPECT_EQ(Render("<name=procusage format=\"all\" decimal>"), "37.25");
    EXPECT_EQ(Render("<NAME=ProcUsage FORMAT=\"7\">|<NAME=ProcUsage FORMAT=\"x\">"), "37|37");
    EXPECT_EQ(Render("<NAME=ProcUsage FORMAT=\"2\" LEADZERO>"), "05");
    EXPECT_EQ(Render("<NAME=ProcUsage FORMAT=\"2\" LEADZERO DECIMAL>"), "04.60");
    EXPECT_EQ(Render("<NAME=ProcUsage FORMAT=\"3\">"), "0");
    EXPECT_EQ(Render("Proc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=6 FORMAT=\"ALL\">|"),
              "Proc %: 37.25 |");
}

TEST_F(TagRenderTest, NetworkRatesAndSums) {
    Data.NetRead[0] = 12.5f;
    Data.NetRead[3] = 2.0f;
    Data.NetWrite[0] = 1.25f;
    Data.NetReadSum[0] = 1536000.0f;
    Data.NetWriteSum[1] = 2048.0f;
    EXPECT_EQ(Render("<NAME=NetRead FORMAT=\"b\">"), "100");
    EXPECT_EQ(Render("<NAME=NetRead FORMAT=\"B\">"), "13");
    EXPECT_EQ(Render("<NAME=NetRead FORMAT=\"3\" LEADZERO>"), "02");
    EXPECT_EQ(Render("<NAME=NetWrite DECIMAL DIV=0>"), "1.25");
    EXPECT_EQ(Render("<NAME=NetSumRead DIV=1024 DECIMAL>"), "1,500.00");
    EXPECT_EQ(Render("<NAME=NetSumRead>"), "1,536,000");
    EXPECT_EQ(Render("<NAME=NetSumWrite FORMAT=\"1\" DIV=1024 LEADZERO>"), "02");
    SetLocaleSeparators({",", "."});
    EXPECT_EQ(Render("<NAME=NetSumRead DIV=1024 DECIMAL>"), "1.500,00");
}

TEST_F(TagRenderTest, TopProcessNameOrShare) {
    Data.TopProcName.Set("(12)explorer");
    Data.TopProcPercent = 7;
    EXPECT_EQ(Render("<NAME=TopProc FORMAT=\"Title\">"), "explorer");
    EXPECT_EQ(Render("<NAME=TopProc FORMAT=\"title\">"), "explorer");
    EXPECT_EQ(Render("<NAME=TopProc FORMAT=\"%\" LEADZERO>"), "07");
    EXPECT_EQ(Render("<NAME=TopProc FORMAT=\"%\" DECIMAL>"), "7.00");
    EXPECT_EQ(Render("[<NAME=TopProc FORMAT=\"x\" SIZE=3>]"), "[   ]");
    Data.TopProcName.Set("(3)a)b");
    EXPECT_EQ(Render("<NAME=TopProc FORMAT=\"Title\">"), "a");
}

TEST_F(TagRenderTest, UptimeThreadsProcesses) {
    Data.Uptime = 200000;
    Data.Threads = 812;
    Data.Processes = -1;
    EXPECT_EQ(Render("<NAME=Uptime FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\" SIZE=20>"),
              "2 days, 07 hrs, 33 mins, 20 secs");
    EXPECT_EQ(Render("[<NAME=Uptime>]"), "[]");
    Data.Uptime = 90061;
    EXPECT_EQ(Render("<NAME=Uptime FORMAT=\"*h*:*M*\">"), "1:01");
    EXPECT_EQ(Render("<NAME=Uptime FORMAT=\"*h*:*M*\" LEADZERO>"), "01:01");
    EXPECT_EQ(Render("Threads: <NAME=Threads SIZE=5>|<NAME=Processes DIV=9 LEADZERO>"),
              "Threads: 812  |-1");
}

TEST_F(TagRenderTest, PageFileAndMemory) {
    Data.RAMTotal = 1024 * MB;
    Data.RAMFree = 768 * MB;
    Data.PageTotal = 3072 * MB;
    Data.PageFree = 1536 * MB + MB / 2;
    EXPECT_EQ(Render("<NAME=RAMUsed FORMAT=\"%\" DECIMAL>"), "25.00");
    EXPECT_EQ(Render("<NAME=RAMTotal DIV=1024 DECIMAL>"), "1.00");
    EXPECT_EQ(Render("<NAME=RAMTotal>|<NAME=RAMTotal FORMAT=\"%\">"), "1024|1024");
    EXPECT_EQ(Render("<NAME=RAMFree DIV=0>|<NAME=RAMFree FORMAT=\"%\">"), "768|75");
    EXPECT_EQ(Render("<NAME=PageTotal>|<NAME=PageTotal FORMAT=\"%\">"), "2048|2048");
    EXPECT_EQ(Render("<NAME=PageUsed DECIMAL>|<NAME=PageFree DECIMAL>"), "1535.50|1536.50");
    EXPECT_EQ(Render("<NAME=PageUsed FORMAT=\"%\" DECIMAL LEADZERO>"), "49.98");
    EXPECT_EQ(Render("<NAME=PageFree FORMAT=\"%\">|<NAME=PageFree DIV=4096 DECIMAL>"), "50|0.38");
    // A page total below physical memory wraps as the unsigned difference does.
    Data.PageTotal = 1023 * MB;
    EXPECT_EQ(Render("<NAME=PageTotal>"), "4095");
}

TEST_F(TagRenderTest, MemoryBeyondFourGibibytesInScaledUnits) {
    // 64 GiB of RAM, 48 GiB free, 72 GiB commit limit with 56 GiB left, in units of 32 bytes.
    Data.Unused[0] = 5;
    Data.RAMTotal = 64 * (1u << 25);
    Data.RAMFree = 48 * (1u << 25);
    Data.PageTotal = 72 * (1u << 25);
    Data.PageFree = 56 * (1u << 25);
    EXPECT_EQ(Render("<NAME=RAMTotal>|<NAME=RAMFree DIV=1024>"), "65536|48");
    EXPECT_EQ(Render("<NAME=RAMUsed DIV=1024>|<NAME=RAMUsed FORMAT=\"%\">"), "16|25");
    EXPECT_EQ(Render("<NAME=PageTotal DIV=1024>|<NAME=PageUsed DIV=1024>"), "8|16");
    EXPECT_EQ(Render("<NAME=PageFree FORMAT=\"%\" DECIMAL>"), "77.78");
}

TEST_F(TagRenderTest, BatteryStates) {
    auto& power = Data.Power;
    const std::pair<std::uint8_t, const char*> sources[] = {
        {0, "Battery"}, {1, "AC"}, {255, "UNKNOWN"}};
    for (const auto& [status, text] : sources) {
        power.ACLineStatus = status;
        EXPECT_EQ(Render("<NAME=Source>"), text);
    }
    const std::pair<std::uint8_t, const char*> flags[] = {
        {1, "High"},         {2, "Low"},     {4, "Critical"}, {8, "Charging"},
        {128, "No battery"}, {9, "UNKNOWN"}, {0, "UNKNOWN"},  {255, "UNKNOWN"}};
    for (const auto& [flag, text] : flags) {
        power.BatteryFlag = flag;
        EXPECT_EQ(Render("<NAME=BatActivity>"), text);
    }
    power.BatteryLifePercent = 101;
    EXPECT_EQ(Render("<NAME=BatPercent>"), "101");
    power.BatteryLifePercent = 102;
    EXPECT_EQ(Render("<NAME=BatPercent>"), "Unknown");

    power.BatteryLifeTime = 5400;
    power.BatteryFullLifeTime = 0xFFFFFFFF;
    EXPECT_EQ(Render("<NAME=TimeLeft FORMAT=\"*h*:*M*\">"), "1:30");
    EXPECT_EQ(Render("[<NAME=TimeLeft SIZE=5>]"), "[     ]");
    EXPECT_EQ(Render("<NAME=TimeTotal FORMAT=\"*h*\">"), "Unknown");
    power.BatteryFullLifeTime = 0xFFFFFFFE; // large, but known
    EXPECT_EQ(Render("<NAME=TimeTotal FORMAT=\"*d*\">"), "49710");
}

TEST_F(TagRenderTest, SensorReadings) {
    Data.Temp[0] = 46;
    Data.Temp[8] = -40;
    Data.Fan[0] = 255;
    Data.Fan[8] = 3000;
    EXPECT_EQ(Render("<NAME=Temp1 FORMAT=\"f\">|<NAME=Temp1 FORMAT=\"C\">|<NAME=Temp1>"),
              "114.8|46|46");
    EXPECT_EQ(Render("<NAME=Temp9 FORMAT=\"F\">|<NAME=Temp9 FORMAT=\"FF\">"), "-40|-40");
    EXPECT_EQ(Render("<NAME=Fan1>|<NAME=Fan9>|<NAME=Fan5>"), "0|3000|0");
    Data.Temp[1] = 2147483647;
    EXPECT_EQ(Render("<NAME=Temp2 FORMAT=\"F\">"), "3865470596.6");
    SetLocaleSeparators({",", "."});
    EXPECT_EQ(Render("<NAME=Temp1 FORMAT=\"F\">"), "114,8");
}

} // namespace
