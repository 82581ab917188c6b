// Against the running machine: plausibility only, the exact values are covered on recorded
// trees.
#include "platform/drives.h"
#include "platform/if_table.h"
#include "platform/memory_status.h"
#include "platform/perf_walk.h"
#include "platform/power_status.h"
#include "platform/system_info.h"

#include <gtest/gtest.h>

#include <chrono>
#include <pwd.h>
#include <sys/sysinfo.h>
#include <thread>
#include <unistd.h>

namespace keltrix::platform {
namespace {

std::vector<std::uint8_t> Fetch(TPerfDataSource& source, std::string_view object) {
    std::uint32_t size = 0;
    std::vector<std::uint8_t> bytes;
    std::uint32_t rc = 0;
    while ((rc = source.Query(object, bytes.data(), &size)) == ERROR_MORE_DATA) bytes.resize(size);
    EXPECT_EQ(rc, ERROR_SUCCESS) << source.LastError();
    bytes.resize(size);
    return bytes;
}

TEST(LiveMachine, PerformanceData) {
    TPerfDataSource source;
    const auto first = Fetch(source, "238");
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    const auto second = Fetch(source, "238");
    const TPerfBlock a(first.data(), first.size()), b(second.data(), second.size());
    ASSERT_TRUE(a.Valid());
    ASSERT_TRUE(b.Valid());
    const auto oa = a.FirstObject(), ob = b.FirstObject();
    ASSERT_TRUE(oa && ob);
    EXPECT_EQ(ob->Header.NumInstances, ::sysconf(_SC_NPROCESSORS_ONLN) + 1);
    const auto ca = a.FindCounter(*oa, 6), cb = b.FindCounter(*ob, 6);
    const double span = double(b.Header().PerfTime100nSec - a.Header().PerfTime100nSec);
    if (span > 0 && oa->Header.NumInstances == ob->Header.NumInstances) {
        auto ia = a.FirstInstance(*oa), ib = b.FirstInstance(*ob);
        for (; ia && ib; ia = a.NextInstance(*oa, *ia), ib = b.NextInstance(*ob, *ib)) {
            std::u16string name;
            ASSERT_TRUE(b.InstanceName(*ib, name));
            if (name != u"_Total") continue;
            const double idle = double(*b.InstanceValue64(*ib, *cb) - *a.InstanceValue64(*ia, *ca));
            const double usage = (1.0 - idle / span) * 100.0;
            EXPECT_GE(usage, 0.0);
            EXPECT_LE(usage, 100.0);
        }
    }

    const auto processes = Fetch(source, "230");
    const TPerfBlock p(processes.data(), processes.size());
    const auto po = p.FirstObject();
    ASSERT_TRUE(po);
    EXPECT_GT(po->Header.NumInstances, 3) << "Idle, _Total and at least this test";

    const auto system = Fetch(source, "2");
    const TPerfBlock s(system.data(), system.size());
    const auto so = s.FirstObject();
    ASSERT_TRUE(so);
    const auto counters = s.ObjectCounterBlock(*so);
    ASSERT_TRUE(counters);
    EXPECT_GT(*s.Value32(*counters, *s.FindCounter(*so, 248)), 0u);
    EXPECT_GT(*s.Value32(*counters, *s.FindCounter(*so, 250)), 0u);
    struct sysinfo info {};
    ASSERT_EQ(::sysinfo(&info), 0);
    const std::int64_t uptime =
        (so->Header.PerfTime - std::int64_t(*s.Value64(*counters, *s.FindCounter(*so, 674)))) /
        so->Header.PerfFreq;
    EXPECT_NEAR(double(uptime), double(info.uptime), 2.0);
}

TEST(LiveMachine, MemoryInterfacesDrivesPower) {
    MEMORYSTATUS m{};
    ASSERT_TRUE(GlobalMemoryStatus(m));
    struct sysinfo info {};
    ASSERT_EQ(::sysinfo(&info), 0);
    EXPECT_EQ(m.dwTotalPhys, std::uint64_t(info.totalram) * info.mem_unit); // MemTotal
    EXPECT_LE(m.dwAvailPhys, m.dwTotalPhys);
    EXPECT_GE(m.dwTotalPageFile, m.dwTotalPhys);

    TIfTableSource interfaces;
    std::uint32_t size = 0;
    ASSERT_EQ(interfaces.GetIfTable(nullptr, &size, true), ERROR_INSUFFICIENT_BUFFER)
        << interfaces.LastError();
    std::vector<std::uint8_t> buffer(size + 4 * sizeof(MIB_IFROW));
    size = static_cast<std::uint32_t>(buffer.size());
    auto* table = reinterpret_cast<MIB_IFTABLE*>(buffer.data());
    ASSERT_EQ(interfaces.GetIfTable(table, &size, true), ERROR_SUCCESS);
    bool loopback = false;
    for (std::uint32_t i = 0; i < table->dwNumEntries; ++i)
        loopback |= IfTableRows(table)[i].dwType == IF_TYPE_SOFTWARE_LOOPBACK;
    EXPECT_TRUE(loopback);

    TDriveMap drives;
    ASSERT_TRUE(drives.Refresh());
    TDiskSpace space;
    ASSERT_TRUE(drives.GetDiskFreeSpaceEx('C', space));
    EXPECT_GT(space.TotalNumberOfBytes, 0u);

    SYSTEM_POWER_STATUS power{};
    EXPECT_TRUE(GetSystemPowerStatus(power));
}

TEST(LiveMachine, NamesAndVersion) {
    std::string name;
    ASSERT_TRUE(GetComputerName(name));
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find('.'), std::string::npos);
    if (const passwd* pw = ::getpwuid(::getuid())) {
        ASSERT_TRUE(GetUserName(name));
        EXPECT_EQ(name, pw->pw_name);
    }
    std::vector<TIPv4Address> addresses;
    ASSERT_TRUE(GetHostAddresses(addresses));
    for (const TIPv4Address& a : addresses) EXPECT_NE(a[0], 127);
    std::uint32_t version = 0;
    ASSERT_TRUE(GetVersion(version));
    EXPECT_GE(version & 0xFF, 3u);
}

} // namespace
} // namespace keltrix::platform
