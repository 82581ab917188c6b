#include "base/errors.h"
#include "base/smartlog.h"
#include "measure/memory_scale.h"
#include "measure/sampling_cycle.h"
#include "sample_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace keltrix {
namespace {

using platform::TIPv4Address;
using platform::TResult;
using test::PidStat;
using test::ProcStat;
using test::TSampleTree;

constexpr std::uint64_t GiB = 1ull << 30;

class SamplingCycleTest : public ::testing::Test {
protected:
    SamplingCycleTest() {
        TSamplingSources sources;
        sources.Root = Tree.Root();
        sources.ComputerName = [this](std::string& name) {
            ++NameCalls;
            name = " \thost-with-a-very-long-name ";
            return TResult::Success();
        };
        sources.UserName = [this](std::string& name) {
            name = "alice";
            return UserKnown ? TResult::Success() : TResult::Failure(5, "no user");
        };
        sources.HostAddresses = [this](std::vector<TIPv4Address>& out) {
            out = Addresses;
            return TResult::Success();
        };
        sources.Now = [] { return 45000.5; };
        Cycle = std::make_unique<TSamplingCycle>(Shell, Formatters, std::move(sources));
        Cycle->OnRefresh = [this] { ++Refreshes; };
        Cycle->OnFailure = [this](const std::string& className, const std::string& message,
                                  const std::vector<std::string>& report) {
            Failures.push_back(className + ": " + message);
            Report = report;
        };
    }

    void Use(const std::string& formatString) {
        for (auto& f : Formatters) f->DecideIfActive(formatString);
    }
    // Every byte of the record set to one value, to see which ones a sample wrote.
    void Fill(std::uint8_t byte) { std::memset(&Data, byte, sizeof Data); }

    TSampleTree Tree;
    TRawDataShell Shell;
    TRawData& Data = Shell.Data();
    TFormatterList Formatters = CreateFormatters(Shell);
    std::unique_ptr<TSamplingCycle> Cycle;
    std::vector<TIPv4Address> Addresses{
        {10, 0, 0, 1}, {10, 0, 0, 2}, {10, 0, 0, 3}, {10, 0, 0, 4}, {10, 0, 0, 5}};
    bool UserKnown = false;
    int NameCalls = 0;
    int Refreshes = 0;
    std::vector<std::string> Failures;
    std::vector<std::string> Report;
};

TEST_F(SamplingCycleTest, AFormatStringWithoutTagsWritesOnlyTheMarker) {
    Use("Just a caption");
    Cycle->SetExclude("explorer"); // runs the process block, which has no time span
    Fill(0x5A);
    Cycle->GetInfo(true);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&Data);
    EXPECT_EQ(bytes[0], 234);
    for (std::size_t i = 1; i < sizeof Data; ++i) ASSERT_EQ(bytes[i], 0x5A) << "byte " << i;
    EXPECT_EQ(Refreshes, 1);
    EXPECT_EQ(Cycle->SampleCounter(), 10);
}

TEST_F(SamplingCycleTest, InactiveBlocksLeaveTheirFieldsUntilTheyRunAgain) {
    Use("<NAME=RAMTotal>");
    Fill(0);
    Data.ProcUsage[0] = 5.0f;
    Data.Uptime = 7;
    Data.DateTime = 1.0;
    Cycle->GetInfo(false);
    EXPECT_EQ(MemoryBytes(Data, TMemoryField::RAMTotal), 2 * GiB);
    EXPECT_EQ(Data.ProcUsage[0], 5.0f);
    EXPECT_EQ(Data.Uptime, 7);
    EXPECT_EQ(Data.DateTime, 1.0);
    EXPECT_EQ(Data.Power.BatteryFlag, 0);

    // The memory tags go away; their last figures stay while the machine changes.
    Use("<NAME=Uptime> <NAME=ProcUsage>");
    Tree.Apply("memory_big");
    Cycle->GetInfo(false);
    EXPECT_EQ(MemoryBytes(Data, TMemoryField::RAMTotal), 2 * GiB);
    EXPECT_EQ(Data.Uptime, 3153);
    EXPECT_FLOAT_EQ(Data.ProcUsage[0], 20.0f);
}

TEST_F(SamplingCycleTest, MemoryAboveFourGibibytesIsStoredInLargerUnits) {
    Use("<NAME=PageFree>");
    Cycle->GetInfo(false);
    EXPECT_EQ(MemoryScale(Data), 0u);
    EXPECT_EQ(Data.RAMTotal, 2 * GiB) << "small machines keep plain bytes";
    EXPECT_EQ(Data.PageTotal, 3 * GiB);

    Tree.Apply("memory_big"); // 64 GiB of RAM, 8 GiB of swap, 16 GiB committed
    Cycle->GetInfo(false);
    EXPECT_EQ(MemoryScale(Data), 5u) << "72 GiB needs five bits more";
    EXPECT_EQ(Data.Unused[0], 5);
    EXPECT_EQ(MemoryBytes(Data, TMemoryField::RAMTotal), 64 * GiB);
    EXPECT_EQ(MemoryBytes(Data, TMemoryField::RAMFree), 48 * GiB);
    EXPECT_EQ(MemoryBytes(Data, TMemoryField::PageTotal), 72 * GiB);
    EXPECT_EQ(MemoryBytes(Data, TMemoryField::PageFree), 56 * GiB);
    EXPECT_EQ(Data.PageTotal, static_cast<std::uint32_t>(72 * GiB >> 5));
}

TEST_F(SamplingCycleTest, AddressesAndDrivesOnTheFirstTenthAndForcedSamples) {
    Use("<NAME=IPAddr> <NAME=DriveSpace FORMAT=\"C\">");
    Data.Drives[1].Letter = 'C'; // registered by the tag after the format string was applied
    Data.Drives[2].Letter = 'Q'; // no such drive
    Cycle->GetInfo(false);       // the counter reads 10
    EXPECT_EQ(std::memcmp(Data.IPAddr,
                          "\x0A\x00\x00\x01\x0A\x00\x00\x02\x0A\x00\x00\x03"
                          "\x0A\x00\x00\x04",
                          16),
              0);
    const auto space = std::filesystem::space(Tree.Root());
    EXPECT_NEAR(Data.Drives[1].TotalMB, space.capacity / 1048576.0, 1.0);
    EXPECT_GT(Data.Drives[1].FreeMB, 0.0f);
    EXPECT_EQ(Data.Drives[2].TotalMB, 0.0f);
    EXPECT_EQ(Data.Drives[0].TotalMB, Data.Drives[1].TotalMB);
    EXPECT_EQ(Data.Drives[0].Letter, 0);

    Addresses = {{192, 168, 1, 9}};
    Data.Drives[1].TotalMB = 1.0f;
    for (int i = 0; i < 8; ++i) Cycle->GetInfo(false); // 11 .. 18
    EXPECT_EQ(Data.IPAddr[0][0], 10);
    EXPECT_EQ(Data.Drives[1].TotalMB, 1.0f);

    Cycle->GetInfo(true); // 19
    EXPECT_EQ(Data.IPAddr[0][0], 192);
    EXPECT_EQ(Data.IPAddr[1][0], 0) << "slots after the last address are emptied";
    EXPECT_GT(Data.Drives[1].TotalMB, 1.0f);
}

TEST_F(SamplingCycleTest, NamesAreReadOnceTrimmedAndCutDateTimeAndPowerEverySample) {
    Use("<NAME=CompName>");
    Cycle->GetInfo(false);
    Cycle->GetInfo(false);
    EXPECT_EQ(Data.CompName.Get(), "host-with-a-ver");
    EXPECT_EQ(NameCalls, 1);
    EXPECT_TRUE(Data.UserName.Empty()) << "asked again next time";
    UserKnown = true;
    Cycle->GetInfo(false);
    EXPECT_EQ(Data.UserName.Get(), "alice");
    EXPECT_EQ(Data.DateTime, 45000.5);
    EXPECT_EQ(Data.Power.ACLineStatus, 1);
    EXPECT_EQ(Data.Power.BatteryFlag, 128);
}

TEST_F(SamplingCycleTest, BatteryTagsAloneStillReadThePowerStatus) {
    Use("<NAME=BatPercent>");
    Cycle->GetInfo(false);
    EXPECT_EQ(Data.Power.ACLineStatus, 1);
    EXPECT_EQ(Data.Power.BatteryLifePercent, 255);
    EXPECT_EQ(Data.DateTime, 0.0) << "the rest of the system block did not run";
    EXPECT_EQ(Data.IPAddr[0][0], 0);
}

TEST_F(SamplingCycleTest, EveryFiftiethSampleEmptiesTheProcessHistoryAndTheSizeHints) {
    Use("<NAME=ProcUsage> <NAME=TopProc FORMAT=\"Title\">");
    Cycle->SetExclude("browser");
    // Many short-lived processes at first make the process snapshot large.
    for (int pid = 1000; pid < 1300; ++pid)
        Tree.Write("proc/" + std::to_string(pid) + "/stat", PidStat(pid, "worker", 1));
    std::int32_t largeHint = 0;
    for (int n = 1; n <= 42; ++n) {
        // Each processor 50 % busy over 100 ticks; browser 40 ticks of a 200 tick span.
        Tree.Write("proc/stat", ProcStat(2, 1000 + 50 * n, 1000 + 50 * n));
        Tree.Write("proc/104/stat", PidStat(104, "browser", 1000 + 40 * n));
        if (n == 3) {
            largeHint = Cycle->Perf().SizeHint("230");
            for (int pid = 1000; pid < 1300; ++pid) Tree.Remove("proc/" + std::to_string(pid));
        }
        Cycle->GetInfo(false);
        SCOPED_TRACE(n);
        if (n == 40) {
            EXPECT_EQ(Cycle->SampleCounter(), 49);
            EXPECT_EQ(Data.TopProcName.Get(), "(5)browser");
            EXPECT_EQ(Data.TopProcPercent, 20);
            EXPECT_FLOAT_EQ(Data.ProcUsage[0], 30.0f);
            EXPECT_EQ(Cycle->Perf().SizeHint("230"), largeHint);
            EXPECT_EQ(Cycle->Perf().ProcessHistoryCount(), 16u) << "ended processes are dropped";
        } else if (n == 41) {
            EXPECT_EQ(Cycle->SampleCounter(), 0);
            EXPECT_EQ(Data.TopProcName.Get(), "");
            EXPECT_EQ(Data.TopProcPercent, 0);
            EXPECT_FLOAT_EQ(Data.ProcUsage[0], 50.0f) << "nothing to subtract without history";
            EXPECT_LT(Cycle->Perf().SizeHint("230"), largeHint);
            EXPECT_EQ(Cycle->Perf().ProcessHistoryCount(), 16u) << "Idle, 14 processes, _Total";
        } else if (n == 42) {
            EXPECT_EQ(Data.TopProcName.Get(), "(5)browser");
        }
    }
}

TEST_F(SamplingCycleTest, TopProcAloneStillFindsTheBusiestProcess) {
    Use("<NAME=TopProc FORMAT=\"Title\">");
    Data.ProcUsage[0] = 77.0f;
    for (int n = 1; n <= 3; ++n) {
        Tree.Write("proc/stat", ProcStat(2, 1000 + 50 * n, 1000 + 50 * n));
        Tree.Write("proc/104/stat", PidStat(104, "browser", 1000 + 40 * n));
        Cycle->GetInfo(false);
    }
    EXPECT_EQ(Data.TopProcName.Get(), "(5)browser");
    EXPECT_EQ(Data.TopProcPercent, 20);
    EXPECT_FLOAT_EQ(Data.ProcUsage[0], 77.0f) << "the processor fields are not shown: untouched";
}

TEST_F(SamplingCycleTest, DebugModeReportsTheBlocksAndTheCrashTestFails) {
    Use("<NAME=ProcUsage><NAME=NetRead><NAME=Uptime><NAME=RAMUsed><NAME=Temp1><NAME=IPAddr>"
        "<NAME=TopProc>");
    int sensorRuns = 0;
    Cycle->SensorBlock = [&](TRawData& d) { d.Temp[0] = ++sensorRuns; };
    Cycle->DebugMode = true;
    Cycle->GetInfo(false);
    EXPECT_EQ(Refreshes, 1);
    EXPECT_TRUE(Failures.empty());
    EXPECT_EQ(Data.Temp[0], 1);

    Cycle->CrashTest = true;
    Cycle->GetInfo(false);
    EXPECT_EQ(Refreshes, 1) << "no refresh after the failure path";
    ASSERT_EQ(Failures.size(), 1u);
    EXPECT_EQ(Failures[0], "EOnPurpose: Program Ran with \"-CRASH\" parameter. But Why ?");
    ASSERT_EQ(Report.size(), 20u);
    EXPECT_EQ(Report[0], std::string(52, '*'));
    EXPECT_EQ(Report[1], "* KELTRIX Bug Report                               *");
    EXPECT_EQ(Report[1].size(), 52u);
    EXPECT_EQ(Report[4], "Keltrix Version : 1002");
    EXPECT_EQ(Report[5], "TimeStamp for Failure");
    EXPECT_FALSE(Report[6].empty());
    const std::vector<std::string> blocks(Report.begin() + 7, Report.begin() + 18);
    EXPECT_EQ(blocks, (std::vector<std::string>{
                          "", "Running The ProcFMT block", "", "Running The NetFMT block", "",
                          "Running The UTPFmt (Uptime & Performance) block", "",
                          "Running The PgRmFmt (PageRam) block", "",
                          "Running The MBMFmt (Motherboard Monitor) block", ""}));
    EXPECT_EQ(Report[18], "Error Name : EOnPurpose");
    EXPECT_EQ(Report[19], "Error Description\r\n-----------------\r\nProgram Ran with \"-CRASH\" "
                          "parameter. But Why ?");

    Cycle->DebugMode = false; // "-crash" alone does nothing
    Cycle->GetInfo(false);
    EXPECT_EQ(Refreshes, 2);
}

TEST_F(SamplingCycleTest, AnErrorInABlockTakesTheFailurePath) {
    Use("<NAME=Temp1> <NAME=RAMUsed>");
    Cycle->SensorBlock = [](TRawData&) { throw EConvertError("'4x' is not a valid integer"); };
    Cycle->GetInfo(false);
    EXPECT_EQ(Refreshes, 0);
    ASSERT_EQ(Failures.size(), 1u);
    EXPECT_EQ(Failures[0], "EConvertError: '4x' is not a valid integer");
    EXPECT_TRUE(Report.empty()) << "no bug report outside debug mode";
}

TEST_F(SamplingCycleTest, ANetworkTableWithoutSizeEndsTheSampleBeforeLaterBlocks) {
    Use("<NAME=NetRead> <NAME=RAMUsed> <NAME=Temp1>");
    Tree.Remove("proc/net/dev");
    Cycle->SensorBlock = [](TRawData& d) { d.Temp[0] = 1; };
    Cycle->CrashTest = Cycle->DebugMode = true;
    Cycle->GetInfo(false);
    EXPECT_EQ(Data.Marker, 234);
    EXPECT_EQ(Data.RAMTotal, 0u);
    EXPECT_EQ(Data.Temp[0], 0);
    EXPECT_EQ(Refreshes, 0);
    EXPECT_TRUE(Failures.empty()) << "not even the crash test runs";
}

TEST_F(SamplingCycleTest, NetworkRatesFollowTheTimerInterval) {
    Use("<NAME=NetRead>");
    std::uint32_t interval = 2000;
    Cycle->TimerInterval = [&] { return interval; };
    Cycle->GetInfo(false);
    Tree.Apply("net_rate/2");
    Cycle->GetInfo(false);
    EXPECT_EQ(Data.NetRead[1], 150.0f);
}

TEST_F(SamplingCycleTest, TheAdvancedLogGetsEachOperationsName) {
    TSmartLog log("KeltrixBeta");
    smartlog::Install(&log);
    Use("<NAME=NetRead>");
    Cycle->GetInfo(true);
    Cycle->GetInfo(false);
    Cycle->SetExclude("a");
    smartlog::Install(nullptr);
    const std::vector<std::string> lines = log.Lines();
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines[2], "GetInfo (Force True)");
    const auto count = [&](const char* entry) {
        return std::count(lines.begin(), lines.end(), entry);
    };
    EXPECT_EQ(count("GetInfo (Don't force)"), 1);
    EXPECT_EQ(count("SetRate"), 2 * 2 * 5) << "receive and send of five slots, two samples";
    EXPECT_EQ(count("NewSumVal"), 2 * 2 * 5);
    EXPECT_EQ(lines.back(), "SetExclude");
}

} // namespace
} // namespace keltrix
