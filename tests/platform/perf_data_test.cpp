#include "platform/perf_data.h"
#include "platform/perf_walk.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace keltrix::platform {
namespace {

using test::DataRoot;
using test::TTempTree;

const std::int64_t Tick = 10'000'000 / ::sysconf(_SC_CLK_TCK); // 100 ns units per tick

// The way the program's reader asks: grow by 1024 while the answer is ERROR_MORE_DATA.
std::vector<std::uint8_t> Fetch(TPerfDataSource& source, std::string_view object) {
    std::uint32_t size = 1024;
    std::vector<std::uint8_t> buffer(size);
    std::uint32_t rc = 0;
    while ((rc = source.Query(object, buffer.data(), &size)) == ERROR_MORE_DATA) {
        size += 1024;
        buffer.resize(size);
    }
    EXPECT_EQ(rc, ERROR_SUCCESS) << source.LastError();
    buffer.resize(rc == ERROR_SUCCESS ? size : 0);
    return buffer;
}

struct TInstanceValue {
    std::u16string Name;
    std::uint64_t Value;
};

std::vector<TInstanceValue> Instances(const TPerfBlock& block, const TPerfObject& object,
                                      std::uint32_t counterIndex) {
    std::vector<TInstanceValue> out;
    const auto counter = block.FindCounter(object, counterIndex);
    EXPECT_TRUE(counter);
    if (!counter) return out;
    for (auto i = block.FirstInstance(object); i; i = block.NextInstance(object, *i)) {
        TInstanceValue value{};
        EXPECT_TRUE(block.InstanceName(*i, value.Name));
        value.Value = block.InstanceValue64(*i, *counter).value_or(~0ull);
        out.push_back(value);
    }
    return out;
}

TEST(PerfData, SizeProtocolAnswersMoreDataUntilTheBufferFits) {
    TPerfDataSource source(DataRoot("vm"));
    std::uint32_t size = 0;
    ASSERT_EQ(source.Query("238", nullptr, &size), ERROR_MORE_DATA);
    const std::uint32_t needed = size;
    ASSERT_GT(needed, sizeof(PERF_DATA_BLOCK));

    std::vector<std::uint8_t> small(needed - 1, 0xCC);
    size = needed - 1;
    EXPECT_EQ(source.Query("238", small.data(), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(small, std::vector<std::uint8_t>(needed - 1, 0xCC)) << "a short buffer is untouched";

    std::vector<std::uint8_t> roomy(needed + 100, 0xCC);
    size = static_cast<std::uint32_t>(roomy.size());
    EXPECT_EQ(source.Query("238", roomy.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(roomy[needed], 0xCC) << "nothing written past the block";

    EXPECT_EQ(source.Query("238", roomy.data(), nullptr), ERROR_INVALID_PARAMETER);
}

TEST(PerfData, DataBlockHeader) {
    TPerfDataSource source(DataRoot("vm"));
    const auto bytes = Fetch(source, "238");
    const TPerfBlock block(bytes.data(), bytes.size());
    ASSERT_TRUE(block.Valid());
    const PERF_DATA_BLOCK& h = block.Header();
    EXPECT_EQ(std::u16string_view(h.Signature, 4), u"PERF");
    EXPECT_EQ(h.LittleEndian, 1u);
    EXPECT_EQ(h.Version, 1u);
    EXPECT_EQ(h.Revision, 1u);
    EXPECT_EQ(h.TotalByteLength, bytes.size());
    EXPECT_EQ(h.NumObjectTypes, 1u);
    EXPECT_EQ(h.DefaultObject, 238);
    EXPECT_GE(h.SystemTime.wYear, 2024);
    EXPECT_GE(h.SystemTime.wMonth, 1);
    EXPECT_LE(h.SystemTime.wMonth, 12);
    EXPECT_GT(h.PerfTime, 0);
    EXPECT_EQ(h.PerfFreq, 10'000'000);
    // The system name "vm" follows the header, zero-terminated, padded to 8 bytes.
    EXPECT_EQ(h.SystemNameOffset, sizeof(PERF_DATA_BLOCK));
    EXPECT_EQ(h.SystemNameLength, 6u);
    EXPECT_EQ(h.HeaderLength, sizeof(PERF_DATA_BLOCK) + 8);
    std::u16string name(2, u'\0');
    std::memcpy(name.data(), bytes.data() + h.SystemNameOffset, 4);
    EXPECT_EQ(name, u"vm");
}

TEST(PerfData, ProcessorObjectFromRecordedStat) {
    TPerfDataSource source(DataRoot("vm"));
    const auto bytes = Fetch(source, "238");
    const TPerfBlock block(bytes.data(), bytes.size());
    // cpu0 and cpu1 elapsed 314519 and 314616 ticks, idle + iowait 304788 and 302166.
    const std::int64_t clock = (314519 + 314616) * Tick / 2;
    EXPECT_EQ(block.Header().PerfTime100nSec, clock);

    const auto object = block.FirstObject();
    ASSERT_TRUE(object);
    EXPECT_EQ(object->Offset, block.Header().HeaderLength);
    const PERF_OBJECT_TYPE& o = object->Header;
    EXPECT_EQ(o.ObjectNameTitleIndex, PerfObjectProcessor);
    EXPECT_EQ(o.ObjectHelpTitleIndex, 239u);
    EXPECT_EQ(o.HeaderLength, sizeof(PERF_OBJECT_TYPE));
    EXPECT_EQ(o.DefinitionLength, sizeof(PERF_OBJECT_TYPE) + sizeof(PERF_COUNTER_DEFINITION));
    EXPECT_EQ(o.TotalByteLength, bytes.size() - object->Offset);
    EXPECT_EQ(o.NumCounters, 1u);
    EXPECT_EQ(o.NumInstances, 3);
    EXPECT_EQ(o.DefaultCounter, 0);
    EXPECT_EQ(o.CodePage, 0u);
    EXPECT_EQ(o.PerfTime, clock);
    EXPECT_EQ(o.PerfFreq, 10'000'000);

    const auto counter = block.FirstCounter(*object);
    ASSERT_TRUE(counter);
    EXPECT_EQ(counter->Definition.ByteLength, sizeof(PERF_COUNTER_DEFINITION));
    EXPECT_EQ(counter->Definition.CounterNameTitleIndex, PerfCounterProcessorTime);
    EXPECT_EQ(counter->Definition.CounterType, PERF_100NSEC_TIMER_INV);
    EXPECT_EQ(counter->Definition.CounterSize, 8u);
    EXPECT_EQ(counter->Definition.CounterOffset, 8u);
    EXPECT_FALSE(block.NextCounter(*object, *counter));

    const auto values = Instances(block, *object, PerfCounterProcessorTime);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].Name, u"0");
    EXPECT_EQ(values[0].Value, std::uint64_t(304788 * Tick));
    EXPECT_EQ(values[1].Name, u"1");
    EXPECT_EQ(values[1].Value, std::uint64_t(302166 * Tick));
    EXPECT_EQ(values[2].Name, u"_Total");
    EXPECT_EQ(values[2].Value, std::uint64_t((304788 + 302166) * Tick / 2));

    // Instance layout: header, padded name, then a 16-byte counter block.
    const auto first = block.FirstInstance(*object);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Offset, object->Offset + o.DefinitionLength);
    EXPECT_EQ(first->Definition.NameOffset, sizeof(PERF_INSTANCE_DEFINITION));
    EXPECT_EQ(first->Definition.NameLength, 4u);
    EXPECT_EQ(first->Definition.ByteLength, sizeof(PERF_INSTANCE_DEFINITION) + 8);
    EXPECT_EQ(first->Definition.UniqueID, -1);
    EXPECT_EQ(first->Definition.ParentObjectTitleIndex, 0u);
    EXPECT_EQ(first->CounterBlockLength, 16u);
    EXPECT_EQ(first->CounterBlock % 8, 0u);
}

TEST(PerfData, ProcessorUsageOverAnIntervalStaysWithinAHundred) {
    TTempTree tree;
    tree.Write("proc/stat", "cpu  300 0 100 600 0 0 0 0\n"
                            "cpu0 100 0 50 350 0 0 0 0\ncpu1 200 0 50 250 0 0 0 0\n");
    TPerfDataSource source(tree.Root());
    const auto before = Fetch(source, "238");
    // cpu0 busy the whole interval, cpu1 idle (partly waiting for I/O) the whole interval.
    tree.Write("proc/stat", "cpu  400 0 100 680 20 0 0 0\n"
                            "cpu0 200 0 50 350 0 0 0 0\ncpu1 200 0 50 330 20 0 0 0\n");
    const auto after = Fetch(source, "238");
    const TPerfBlock a(before.data(), before.size()), b(after.data(), after.size());
    const double span = double(b.Header().PerfTime100nSec - a.Header().PerfTime100nSec);
    ASSERT_EQ(span, 100.0 * Tick);
    const auto va = Instances(a, *a.FirstObject(), 6), vb = Instances(b, *b.FirstObject(), 6);
    ASSERT_EQ(va.size(), 3u);
    ASSERT_EQ(vb.size(), 3u);
    const double expected[] = {100.0, 0.0, 50.0};
    for (std::size_t i = 0; i < 3; ++i) {
        const double usage = (1.0 - double(vb[i].Value - va[i].Value) / span) * 100.0;
        EXPECT_DOUBLE_EQ(usage, expected[i]) << "instance " << i;
    }
}

TEST(PerfData, ProcessObjectListsProcessesBetweenIdleAndTotal) {
    TPerfDataSource source(DataRoot("laptop"));
    const auto bytes = Fetch(source, "230");
    const TPerfBlock block(bytes.data(), bytes.size());
    EXPECT_EQ(block.Header().PerfTime100nSec, (21642 + 21638 + 21542 + 21738) * Tick / 4);
    const auto object = block.FindObject(PerfObjectProcess);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->Header.NumCounters, 2u);
    const auto counter = block.FirstCounter(*object);
    ASSERT_TRUE(counter);
    EXPECT_EQ(counter->Definition.CounterNameTitleIndex, PerfCounterProcessorTime);
    EXPECT_EQ(counter->Definition.CounterType, PERF_100NSEC_TIMER);
    const auto idCounter = block.FindCounter(*object, PerfCounterProcessId);
    ASSERT_TRUE(idCounter);
    std::vector<std::uint32_t> ids;
    for (auto i = block.FirstInstance(*object); i; i = block.NextInstance(*object, *i))
        ids.push_back(block.InstanceValue32(*i, *idCounter).value_or(~0u));

    // 4001 is malformed and 4002 has no stat: both left out. Names may hold blanks,
    // parentheses and UTF-8.
    const auto values = Instances(block, *object, PerfCounterProcessorTime);
    ASSERT_EQ(values.size(), 6u);
    EXPECT_EQ(object->Header.NumInstances, 6);
    const std::u16string names[] = {u"Idle",         u"systemd",   u"tmux: server",
                                    u"weird) name)", u"caf\u00e9", u"_Total"};
    const std::int64_t ticks[] = {80400, 400, 1801, 30, 10, 82641};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(values[i].Name, names[i]) << i;
        EXPECT_EQ(values[i].Value, std::uint64_t(ticks[i] * Tick)) << i;
    }
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{0, 1, 300, 301, 4000, 0}))
        << "Idle and _Total have id 0";
}

TEST(PerfData, SystemObjectCountsAndBootTime) {
    TPerfDataSource source(DataRoot("laptop"));
    const auto bytes = Fetch(source, "2");
    const TPerfBlock block(bytes.data(), bytes.size());
    const auto object = block.FirstObject();
    ASSERT_TRUE(object);
    const PERF_OBJECT_TYPE& o = object->Header;
    EXPECT_EQ(o.ObjectNameTitleIndex, PerfObjectSystem);
    EXPECT_EQ(o.NumInstances, PERF_NO_INSTANCES);
    EXPECT_EQ(o.NumCounters, 3u);
    EXPECT_EQ(o.PerfFreq, 10'000'000);
    EXPECT_FALSE(block.FirstInstance(*object));

    // The reader stops at 250, so the up time has to come before it.
    std::vector<std::uint32_t> order;
    for (auto c = block.FirstCounter(*object); c; c = block.NextCounter(*object, *c))
        order.push_back(c->Definition.CounterNameTitleIndex);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{674, 248, 250}));

    const auto counters = block.ObjectCounterBlock(*object);
    ASSERT_TRUE(counters);
    EXPECT_EQ(*counters, object->Offset + o.DefinitionLength);
    const auto processes = block.Value32(*counters, *block.FindCounter(*object, 248));
    const auto threads = block.Value32(*counters, *block.FindCounter(*object, 250));
    const auto boot = block.Value64(*counters, *block.FindCounter(*object, 674));
    EXPECT_EQ(processes, 6u) << "every numeric entry of proc counts";
    EXPECT_EQ(threads, 345u);
    ASSERT_TRUE(boot);
    EXPECT_EQ(o.PerfTime - static_cast<std::int64_t>(*boot), 864'002'500'000);
    EXPECT_EQ((o.PerfTime - static_cast<std::int64_t>(*boot)) / o.PerfFreq, 86400);
    EXPECT_EQ(block.FindCounter(*object, 674)->Definition.CounterType, PERF_ELAPSED_TIME);
}

TEST(PerfData, SeveralObjectsInOneQuery) {
    TPerfDataSource source(DataRoot("laptop"));
    const auto bytes = Fetch(source, "238 2");
    const TPerfBlock block(bytes.data(), bytes.size());
    EXPECT_EQ(block.Header().NumObjectTypes, 2u);
    EXPECT_TRUE(block.FindObject(238));
    EXPECT_TRUE(block.FindObject(2));
    EXPECT_FALSE(block.FindObject(230));
}

TEST(PerfData, RefusesWhatItCannotProvide) {
    TPerfDataSource source(DataRoot("vm"));
    std::uint32_t size = 0;
    EXPECT_EQ(source.Query("999", nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(source.LastError().find("\"999\""), std::string::npos) << source.LastError();
    EXPECT_EQ(source.Query("Global", nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(source.Query("", nullptr, &size), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(size, 0u);

    TTempTree empty;
    TPerfDataSource nothing(empty.Root());
    EXPECT_EQ(nothing.Query("238", nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(nothing.LastError().find("proc/stat"), std::string::npos) << nothing.LastError();
}

// The system object needs only the clock: it runs on from the last processor reading instead
// of reading /proc/stat again, and never runs backwards.
TEST(PerfData, SystemObjectAloneReadsNoProcessorTimes) {
    TTempTree tree;
    tree.Write("proc/stat", "cpu  100 0 0 100\ncpu0 100 0 0 100\n");
    tree.Write("proc/uptime", "10.00 20.00\n");
    tree.Write("proc/loadavg", "0.1 0.2 0.3 1/99 5\n");
    TPerfDataSource source(tree.Root());
    const auto first = Fetch(source, "238");
    const std::int64_t read = TPerfBlock(first.data(), first.size()).Header().PerfTime100nSec;
    EXPECT_EQ(read, 200 * Tick);
    tree.Write("proc/stat", "not the processor times\n");
    const auto system = Fetch(source, "2");
    const TPerfBlock block(system.data(), system.size());
    ASSERT_TRUE(block.Valid());
    EXPECT_GE(block.Header().PerfTime100nSec, read);
    EXPECT_LT(block.Header().PerfTime100nSec, read + 10'000'000) << "runs on, in 100 ns";
    // Processor objects read them afresh, and say when they cannot.
    std::uint32_t size = 0;
    EXPECT_EQ(source.Query("2 238", nullptr, &size), ERROR_INVALID_DATA);
    // A source that never read them reads them for the system object too.
    TPerfDataSource fresh(tree.Root());
    EXPECT_EQ(fresh.Query("2", nullptr, &size), ERROR_INVALID_DATA);
}

TEST(PerfData, MalformedInputsFailWithAReason) {
    struct TCase {
        const char* File;
        const char* Text;
        const char* Object;
        const char* Says;
    } cases[] = {
        {"proc/stat", "cpu  1 2 x 4\ncpu0 1 2 3 4\n", "238", "bad number"},
        {"proc/stat", "cpu  1 2 3 4\n", "238", "no processor lines"},
        {"proc/stat", "cpu0 1 2 3 4\n", "230", "no cpu summary"},
        {"proc/stat", "cpu  1 2\ncpu0 1 2\n", "238", "fewer than four"},
        {"proc/uptime", "up a while\n", "2", "no up time"},
        {"proc/loadavg", "0.1 0.2 0.3\n", "2", "no task count"},
    };
    for (const TCase& c : cases) {
        TTempTree tree;
        tree.Write("proc/stat", "cpu  1 2 3 4\ncpu0 1 2 3 4\n");
        tree.Write("proc/uptime", "10.00 20.00\n");
        tree.Write("proc/loadavg", "0.1 0.2 0.3 1/99 5\n");
        tree.Write(c.File, c.Text);
        TPerfDataSource source(tree.Root());
        std::uint32_t size = 0;
        EXPECT_EQ(source.Query(c.Object, nullptr, &size), ERROR_INVALID_DATA) << c.Text;
        EXPECT_NE(source.LastError().find(c.File), std::string::npos) << source.LastError();
        EXPECT_NE(source.LastError().find(c.Says), std::string::npos) << source.LastError();
    }
}

} // namespace
} // namespace keltrix::platform
