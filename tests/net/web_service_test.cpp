#include "net/web_service.h"

#include "measure/memory_scale.h"
#include "settings/default_format.h"
#include "web_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace keltrix {
namespace {

using test::TFakeMonitor;

std::string SoapCall(const std::string& op, const std::string& params) {
    return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/"
           "envelope/\"><s:Body><k:" +
           op + " xmlns:k=\"urn:KeltrixIntf-IKeltrixWS\">" + params + "</k:" + op +
           "></s:Body></s:Envelope>";
}

std::string ReturnOf(const std::string& answer) {
    const auto start = answer.find('>', answer.find("<return")) + 1;
    return answer.substr(start, answer.find("</return>") - start);
}

class WebService : public ::testing::Test {
protected:
    void SetUp() override {
        M.Apply(DefaultFormatString(M.Formatters));
        Service.Host = "127.0.0.1";
        Service.SetPort(0);
        std::string error;
        ASSERT_TRUE(Service.Start(error)) << error;
        Client = std::make_unique<httplib::Client>("127.0.0.1", Service.BoundPort());
    }
    TFakeMonitor M;
    TWebService Service{M.View};
    std::unique_ptr<httplib::Client> Client;
};

TEST_F(WebService, PathsDataWsdlListingAndMetrics) {
    const auto data = Client->Get("/data");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->status, 200);
    EXPECT_NE(data->body.find("<Keltrix>"), std::string::npos);
    const auto other = Client->Get("/anything/at/all?x=1");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->body, Client->Get("/data")->body);

    const auto wsdl = Client->Get("/wsdl/IKeltrixWS", {{"Host", "monitor.example:8080"}});
    ASSERT_TRUE(wsdl);
    EXPECT_NE(wsdl->body.find("location=\"http://monitor.example:8080/soap/IKeltrixWS\""),
              std::string::npos);
    EXPECT_NE(wsdl->body.find("soapAction=\"urn:KeltrixIntf-IKeltrixWS#GetUptime\""),
              std::string::npos);
    const auto listing = Client->Get("/wsdl");
    ASSERT_TRUE(listing);
    EXPECT_NE(listing->body.find("/wsdl/IKeltrixWS\""), std::string::npos);
    EXPECT_EQ(Client->Get("/wsdl/INothing")->status, 404);

    const auto metrics = Client->Get("/metrics", {{"Accept", "text/plain;version=0.0.4"}});
    ASSERT_TRUE(metrics);
    EXPECT_EQ(metrics->get_header_value("Content-Type"),
              "text/plain; version=0.0.4; charset=utf-8");
    EXPECT_NE(metrics->body.find("keltrix_threads "), std::string::npos);
}

TEST_F(WebService, SoapCallsAndFaultsOverHttp) {
    M.Data().Marker = RecordMarker;
    const auto ok = Client->Post("/soap/IKeltrixWS", SoapCall("GetVersion", ""), "text/xml");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->status, 200);
    EXPECT_EQ(ReturnOf(ok->body), "234");
    for (const std::string& body : {std::string("<<<"), SoapCall("GetNothing", ""),
                                    SoapCall("GetProcUsage", "<Selection>x</Selection>")}) {
        const auto fault = Client->Post("/soap/IKeltrixWS", body, "text/xml");
        ASSERT_TRUE(fault);
        EXPECT_EQ(fault->status, 500);
        EXPECT_NE(fault->body.find("<faultcode>SOAP-ENV:Server</faultcode>"), std::string::npos);
    }
    EXPECT_EQ(Client->Get("/soap/IKeltrixWS")->status, 500);
}

TEST_F(WebService, DataDocumentRegistersDriveCForSampling) {
    ASSERT_EQ(M.Data().Drives[1].Letter, 0);
    (void)Client->Get("/data");
    EXPECT_EQ(M.Data().Drives[1].Letter, 'C');
}

// A writer that keeps the record consistent only under the lock, as the sampling cycle does,
// against readers over HTTP: no answer may mix two samples.
TEST_F(WebService, AnswersNeverSeeHalfWrittenSamples) {
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::thread writer([&] {
        for (std::uint64_t i = 1; !stop; ++i) {
            const std::lock_guard<std::recursive_mutex> hold(M.Lock);
            const std::uint64_t total = (8ull << 30) + i * 4096;
            StoreMemory(M.Data(), 0, total, total / 3, total);
            std::this_thread::yield();
            for (float& p : M.Data().ProcUsage) {
                p = static_cast<float>(i % 101);
                std::this_thread::yield();
            }
            M.Refresh();
            ++rounds;
        }
    });
    // The first answers must already see the writer's samples, not the empty start.
    while (rounds == 0) std::this_thread::yield();
    int checked = 0;
    for (int i = 0; i < 200; ++i) {
        httplib::Client c("127.0.0.1", Service.BoundPort());
        c.set_read_timeout(60); // the writer holds the lock most of the time
        const auto used =
            c.Post("/soap/IKeltrixWS", SoapCall("GetRAM", "<SubItem>siUsed</SubItem>"), "text/xml");
        const auto metrics = c.Get("/metrics");
        ASSERT_TRUE(used && metrics);
        const std::string& m = metrics->body;
        auto value = [&m](const std::string& sample) {
            const auto p = m.find("\n" + sample + " ");
            EXPECT_NE(p, std::string::npos) << sample;
            return std::stod(m.substr(p + sample.size() + 2));
        };
        EXPECT_EQ(value("keltrix_memory_used_bytes"),
                  value("keltrix_memory_total_bytes") - value("keltrix_memory_free_bytes"));
        EXPECT_EQ(value("keltrix_cpu_usage_percent{cpu=\"1\"}"),
                  value("keltrix_cpu_usage_percent{cpu=\"total\"}"));
        EXPECT_EQ(value("keltrix_cpu_usage_percent{cpu=\"4\"}"),
                  value("keltrix_cpu_usage_percent{cpu=\"total\"}"));
        const std::uint64_t total = std::stoull(ReturnOf(
            c.Post("/soap/IKeltrixWS", SoapCall("GetRAM", "<SubItem>siTotal</SubItem>"), "text/xml")
                ->body));
        EXPECT_EQ(total, 4294967295u); // beyond 4 GiB: capped, never the scaled units
        EXPECT_GT(std::stoull(ReturnOf(used->body)), 4294967295u / 2);
        ++checked;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(checked, 200);
}

} // namespace
} // namespace keltrix
