#include "net/metrics.h"

#include "measure/memory_scale.h"
#include "web_fixture.h"

#include <gtest/gtest.h>

namespace keltrix {
namespace {

using test::TFakeMonitor;

TEST(MetricsFormat, AcceptHeaderDecides) {
    // What Prometheus 2.x sends.
    EXPECT_EQ(ChooseMetricsFormat("application/openmetrics-text;version=1.0.0,application/"
                                  "openmetrics-text;version=0.0.1;q=0.75,text/plain;version=0.0.4;"
                                  "q=0.5,*/*;q=0.1"),
              TMetricsFormat::OpenMetrics);
    EXPECT_EQ(ChooseMetricsFormat("text/plain;version=0.0.4;q=1,*/*;q=0.1"),
              TMetricsFormat::Text004);
    EXPECT_EQ(ChooseMetricsFormat("text/plain"), TMetricsFormat::Text004);
    EXPECT_EQ(ChooseMetricsFormat(""), TMetricsFormat::OpenMetrics);
    EXPECT_EQ(ChooseMetricsFormat("*/*"), TMetricsFormat::OpenMetrics);
}

TEST(MetricsRender, FamiliesOfFormattersInUseWithUnitsCountersAndLabels) {
    TFakeMonitor m;
    m.Apply("<NAME=ProcUsage> <NAME=NetRead> <NAME=RAMFree> <NAME=DriveSpace FORMAT=\"C FREE\">");
    m.Data().ProcUsage[0] = 42.5f;
    m.Data().NetReadSum[0] = 2.0f; // KB
    m.Data().Drives[1] = {'C', {}, 2.0f, 1.0f};
    StoreMemory(m.Data(), 0, 0, 1ull << 33, 1ull << 34);
    m.Data().CompName.Set("pc\"1");
    const auto snap = m.View.Current();

    const std::string om = RenderMetrics(*snap, TMetricsFormat::OpenMetrics);
    EXPECT_NE(om.find("# TYPE keltrix_cpu_usage_percent gauge\n# UNIT keltrix_cpu_usage_percent "
                      "percent\nkeltrix_cpu_usage_percent{cpu=\"total\"} 42.5\n"),
              std::string::npos);
    EXPECT_NE(om.find("# TYPE keltrix_network_receive_bytes counter\n"), std::string::npos);
    EXPECT_NE(om.find("keltrix_network_receive_bytes_total{slot=\"all\",interface=\"all\"} 2048\n"),
              std::string::npos);
    EXPECT_NE(om.find("keltrix_memory_total_bytes 17179869184\n"), std::string::npos);
    EXPECT_NE(om.find("keltrix_memory_used_bytes 8589934592\n"), std::string::npos);
    EXPECT_NE(om.find("keltrix_drive_free_bytes{drive=\"C\",mount=\"/\"} 1048576\n"),
              std::string::npos);
    EXPECT_NE(om.find("computer=\"pc\\\"1\""), std::string::npos);
    EXPECT_EQ(om.find("keltrix_uptime_seconds"), std::string::npos); // not measured
    EXPECT_EQ(om.find("temperature"), std::string::npos);
    EXPECT_EQ(om.substr(om.size() - 6), "# EOF\n");

    const std::string text = RenderMetrics(*snap, TMetricsFormat::Text004);
    EXPECT_NE(text.find("# TYPE keltrix_network_receive_bytes_total counter\n"), std::string::npos);
    EXPECT_EQ(text.find("# UNIT"), std::string::npos);
    EXPECT_EQ(text.find("# EOF"), std::string::npos);
}

TEST(MetricsRender, ClientNamesItsServer) {
    TFakeMonitor m;
    m.ServerHost = "10.11.12.13";
    m.Apply("<NAME=Threads>");
    const std::string om = RenderMetrics(*m.View.Current(), TMetricsFormat::OpenMetrics);
    EXPECT_NE(om.find("keltrix_threads{server=\"10.11.12.13\"} 0\n"), std::string::npos);
}

} // namespace
} // namespace keltrix
