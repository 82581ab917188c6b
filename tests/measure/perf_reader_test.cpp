#include "measure/comma_text.h"
#include "measure/perf_reader.h"
#include "sample_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keltrix {
namespace {

using test::PidStat;
using test::ProcStat;
using test::TSampleTree;

class PerfReaderTest : public ::testing::Test {
protected:
    // One sample of the processor and process blocks, as the cycle runs them.
    void Sample() {
        Reader.BeginSample();
        Reader.ProcessorBlock(Data);
        Reader.ProcessBlock(Data);
    }

    TSampleTree Tree;
    TPerfDataReader Reader{Tree.Root()};
    TRawData Data{};
};

TEST_F(PerfReaderTest, ProcessorUsageFollowsTheIdleCounterAndKeepsItOnEqualStamps) {
    // Against zero history: the share since boot.
    Reader.ProcessorBlock(Data);
    EXPECT_FLOAT_EQ(Data.ProcUsage[0], 20.0f);
    EXPECT_FLOAT_EQ(Data.ProcUsage[1], 10.0f);
    EXPECT_FLOAT_EQ(Data.ProcUsage[2], 30.0f);
    EXPECT_EQ(Data.ProcUsage[3], 0.0f);

    Tree.Apply("cpu/2"); // iowait counts as idle
    Reader.ProcessorBlock(Data);
    EXPECT_FLOAT_EQ(Data.ProcUsage[0], 37.5f);
    EXPECT_FLOAT_EQ(Data.ProcUsage[1], 25.0f);
    EXPECT_FLOAT_EQ(Data.ProcUsage[2], 50.0f);

    Tree.Apply("cpu/3"); // the same moment again
    Data.ProcUsage[0] = 99.0f;
    Reader.ProcessorBlock(Data);
    EXPECT_FLOAT_EQ(Data.ProcUsage[0], 99.0f);
    EXPECT_FLOAT_EQ(Data.ProcUsage[2], 50.0f);

    // Idle throughout; processor 2's idle time ran ahead of the mean clock.
    Tree.Apply("cpu/4");
    Reader.ProcessorBlock(Data);
    EXPECT_EQ(Data.ProcUsage[0], 0.0f);
    EXPECT_EQ(Data.ProcUsage[2], 0.0f);
}

TEST_F(PerfReaderTest, ProcessorSlotsHoldTheFirstFourProcessors) {
    Tree.Write("proc/stat", ProcStat(1, 25, 75));
    Reader.ProcessorBlock(Data);
    EXPECT_FLOAT_EQ(Data.ProcUsage[0], 25.0f);
    EXPECT_FLOAT_EQ(Data.ProcUsage[1], 25.0f);
    EXPECT_EQ(Data.ProcUsage[2], 0.0f);
    EXPECT_EQ(Data.ProcUsage[4], 0.0f);

    TPerfDataReader six(Tree.Root());
    TRawData d{};
    Tree.Write("proc/stat", ProcStat(6, 40, 60));
    six.ProcessorBlock(d);
    for (int i = 0; i <= 4; ++i) EXPECT_FLOAT_EQ(d.ProcUsage[i], 40.0f) << i;
}

TEST_F(PerfReaderTest, TopProcessComparesWithTheStoredWholeNumberAndSkipsIdleAndTotal) {
    Sample();
    // No history yet: every share is negative.
    EXPECT_EQ(Data.TopProcName.Get(), "");
    EXPECT_EQ(Data.TopProcPercent, 0);

    Tree.Apply("procs/2");
    Sample();
    // browser at 10.5 % is stored as 10, so editor at 10.25 % after it wins; IdleMon (50 %),
    // my_Total (25 %) and the Idle instance never qualify.
    EXPECT_EQ(Data.TopProcName.Get(), "(8)editor");
    EXPECT_EQ(Data.TopProcPercent, 10);
    EXPECT_FLOAT_EQ(Data.ProcUsage[0], 37.5f);

    // One process ended: every later one moved up, keeps its own history and shows its new
    // position.
    Tree.Apply("procs/3");
    Tree.Remove("proc/100");
    Reader.SetExclude("explorer");
    Sample();
    EXPECT_EQ(Data.TopProcName.Get(), "(7)editor");
    EXPECT_EQ(Data.TopProcPercent, 10);
    EXPECT_FLOAT_EQ(Data.ProcUsage[0], 30.0f);
}

// A value is compared only with the same process, whatever the list did in between.
class ProcessHistoryTest : public PerfReaderTest {
protected:
    // Each of the two processors busy for half of 100 more ticks.
    void Tick() {
        ++Ticks_;
        Tree.Write("proc/stat", ProcStat(2, 400 + 50 * Ticks_, 400 + 50 * Ticks_));
    }
    void Process(int pid, std::string_view name, unsigned long ticks) {
        Tree.Write("proc/" + std::to_string(pid) + "/stat", PidStat(pid, name, ticks));
    }
    int Ticks_ = 0;
};

TEST_F(ProcessHistoryTest, SameNamedProcessesMovingInTheListKeepTheirOwnCounters) {
    // An idle twin before a busy twin that has run for a long time; a process before both.
    Process(400, "spacer", 0);
    Process(401, "twin", 5);
    Process(402, "twin", 50'000);
    Reader.SetExclude("twin");
    Tick();
    Sample();
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        Tick();
        Process(402, "twin", 50'000 + 40 * n); // 20 % of the machine
        // The spacer ends: both twins move up, the busy one to where the idle one stood.
        if (n == 2) Tree.Remove("proc/400");
        // A newcomer takes the place again: the old figures of that place are not its own.
        if (n == 3) Process(399, "spacer", 0);
        Sample();
        const int position = n == 2 ? 16 : 17;
        EXPECT_EQ(Data.TopProcName.Get(), "(" + std::to_string(position) + ")twin");
        EXPECT_EQ(Data.TopProcPercent, 20);
        EXPECT_FLOAT_EQ(Data.ProcUsage[0], 30.0f) << "50 % less the busy twin";
    }
    EXPECT_EQ(Reader.ProcessHistoryCount(), 19u) << "the processes of the latest snapshot";
}

TEST_F(ProcessHistoryTest, AProcessIsMeasuredOverItsOwnSpan) {
    Process(402, "worker", 0);
    Tick();
    Sample();
    // A sample without the process block (TopProc off for a while): the history is older
    // than the previous processor snapshot.
    Tick();
    Process(402, "worker", 40);
    Reader.BeginSample();
    Reader.ProcessorBlock(Data);
    Tick();
    Process(402, "worker", 80);
    Sample();
    EXPECT_EQ(Data.TopProcName.Get(), "(15)worker");
    EXPECT_EQ(Data.TopProcPercent, 20) << "80 ticks over two spans of 200, not one";
}

TEST_F(ProcessHistoryTest, NoShareExceedsTheWholeMachine) {
    Process(402, "runaway", 0);
    Reader.SetExclude("runaway");
    Tick();
    Sample();
    // Counters read a moment after the clock may run ahead of it; a reused id with the same
    // name starts lower and is not measured.
    Tick();
    Process(402, "runaway", 250);
    Sample();
    EXPECT_EQ(Data.TopProcPercent, 100);
    EXPECT_EQ(Data.ProcUsage[0], 0.0f);
    Tick();
    Process(402, "runaway", 3);
    Sample();
    EXPECT_EQ(Data.TopProcName.Get(), "");
    EXPECT_FLOAT_EQ(Data.ProcUsage[0], 50.0f);
}

TEST_F(PerfReaderTest, ExcludedProcessesLowerTheTotal) {
    struct TCase {
        const char* Exclude;
        float Total;
    };
    // explorer 7.5 %, Xorg 2 % of a total of 37.5 %.
    const TCase cases[] = {{"explorer", 30.0f},       {"X", 28.0f}, // every key with an x, any case
                           {"explorer,plor", 22.5f}, // matched twice, subtracted twice
                           {"\" Explorer \"", 30.0f}, {",", 37.5f}, // empty entries match nothing
                           {"(12)", 30.0f},    // the position is part of the key
                           {"IdleMon", 0.0f}}; // 50 %: the total stops at 0
    for (const TCase& c : cases) {
        TSampleTree tree;
        TPerfDataReader reader(tree.Root());
        TRawData data{};
        reader.SetExclude(c.Exclude);
        reader.BeginSample();
        reader.ProcessorBlock(data);
        reader.ProcessBlock(data);
        tree.Apply("procs/2");
        reader.BeginSample();
        reader.ProcessorBlock(data);
        reader.ProcessBlock(data);
        EXPECT_FLOAT_EQ(data.ProcUsage[0], c.Total) << c.Exclude;
    }
}

TEST_F(PerfReaderTest, ProcessBlockNeedsAProcessorSpanOfThisSample) {
    Sample();
    Tree.Apply("procs/2");
    // Without the processor block the count of this sample is 0: nothing happens.
    Reader.BeginSample();
    Data.TopProcPercent = 77;
    Reader.ProcessBlock(Data);
    EXPECT_EQ(Data.TopProcPercent, 77);
}

TEST_F(PerfReaderTest, SizeHintsGrowToTheSnapshotAndResetToOneKilobyte) {
    Sample();
    const std::int32_t hint = Reader.SizeHint("230");
    EXPECT_GT(hint, 1024);
    Tree.Apply("procs/2");
    Sample();
    EXPECT_EQ(Reader.SizeHint("230"), hint) << "a snapshot of the same size fits at once";
    Reader.ResetSizeHints();
    EXPECT_EQ(Reader.SizeHint("230"), 1024);
    EXPECT_EQ(Reader.SizeHint("238"), 1024);
}

TEST_F(PerfReaderTest, UptimeThreadsAndProcesses) {
    Reader.UptimeBlock(Data);
    EXPECT_EQ(Data.Uptime, 3153);
    EXPECT_EQ(Data.Threads, 131);
    EXPECT_EQ(Data.Processes, 14);

    Tree.Apply("threads_many");
    Reader.UptimeBlock(Data);
    EXPECT_EQ(Data.Threads, 32767) << "40000 threads do not fit the field";
}

TEST_F(PerfReaderTest, AMissingSourceLeavesTheFieldsAndSaysWhy) {
    Tree.Remove("proc/stat");
    Data.ProcUsage[0] = 12.0f;
    Reader.ProcessorBlock(Data);
    EXPECT_EQ(Data.ProcUsage[0], 12.0f);
    EXPECT_NE(Reader.LastProblem().find("stat"), std::string::npos) << Reader.LastProblem();
}

TEST(CommaText, SplitsLikeTheSettingsList) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommaText("a, b c"), (V{"a", "b", "c"}));
    EXPECT_EQ(SplitCommaText("  a,,b"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitCommaText("a,"), (V{"a", ""}));
    EXPECT_EQ(SplitCommaText("a, "), (V{"a"}));
    EXPECT_EQ(SplitCommaText("\"my app, v2\",\"say \"\"hi\"\"\""), (V{"my app, v2", "say \"hi\""}));
    EXPECT_EQ(SplitCommaText("\"open"), (V{"open"}));
    EXPECT_EQ(SplitCommaText(std::string_view("a\0b", 3)), (V{"a"}));
    EXPECT_TRUE(SplitCommaText("").empty());
    EXPECT_TRUE(SplitCommaText(" \t ").empty());
    EXPECT_EQ(TrimBlanks(" \t x y\r\n"), "x y");
}

} // namespace
} // namespace keltrix
