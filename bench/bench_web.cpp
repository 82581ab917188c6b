// The web service's own work per request, without the network: building the data document
// and the metrics from a snapshot, and one SOAP call from body to answer, each next to a
// minimal pugixml program doing the same document work.

#include "../tests/net/web_fixture.h"
#include "net/metrics.h"
#include "net/soap_service.h"
#include "net/web_module.h"
#include "net/web_view.h"
#include "settings/default_format.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <mutex>
#include <sstream>

using namespace keltrix;

namespace {

// The default format string in use, a few values, eight lines on show.
struct TMonitor : test::TFakeMonitor {
    TMonitor() {
        TRawData& d = Data();
        d.Marker = RecordMarker;
        d.ProcUsage[0] = 37.25f;
        d.RAMTotal = 1024u * 1048576u;
        d.RAMFree = 300u * 1048576u;
        d.Uptime = 200000;
        d.CompName.Set("machine");
        Apply(DefaultFormatString(Formatters));
    }
};

void BM_DataDocument(benchmark::State& state) {
    TMonitor m;
    TWebModule module;
    const auto snap = m.View.Current();
    for (auto _ : state) {
        module.Load(*snap);
        benchmark::DoNotOptimize(module.GetXML());
    }
}
BENCHMARK(BM_DataDocument);

// The floor: a document of the same shape (18 values, 8 lines) built and saved by pugixml.
void BM_MinimalPugixmlDocument(benchmark::State& state) {
    for (auto _ : state) {
        pugi::xml_document doc;
        auto decl = doc.append_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
        decl.append_attribute("encoding") = "UTF-8";
        auto root = doc.append_child("Keltrix");
        auto raw = root.append_child("Raw");
        for (int i = 0; i < 18; ++i)
            raw.append_child(("Value_" + std::to_string(i)).c_str()).text().set("12.50");
        auto lines = root.append_child("Formatted");
        for (int i = 0; i < 8; ++i)
            lines.append_child(("Item_" + std::to_string(i)).c_str()).text().set("Line: 12.5");
        std::ostringstream out;
        doc.save(out, "  ");
        benchmark::DoNotOptimize(out.str());
    }
}
BENCHMARK(BM_MinimalPugixmlDocument);

void BM_Metrics(benchmark::State& state) {
    TMonitor m;
    const auto snap = m.View.Current();
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderMetrics(*snap, TMetricsFormat::OpenMetrics));
}
BENCHMARK(BM_Metrics);

const std::string Call =
    "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    "<s:Body><m:GetRAM xmlns:m=\"urn:KeltrixIntf-IKeltrixWS\"><SubItem>siUsed</SubItem>"
    "</m:GetRAM></s:Body></s:Envelope>";

void BM_SoapCall(benchmark::State& state) {
    TMonitor m;
    TWebModule module;
    for (auto _ : state) {
        const auto snap = m.View.Current();
        module.Load(*snap);
        benchmark::DoNotOptimize(InvokeKeltrixWS(ParseSoapRequest(Call), *snap, module));
    }
}
BENCHMARK(BM_SoapCall);

// The floor: parse the same envelope with pugixml and read the one parameter.
void BM_MinimalPugixmlParse(benchmark::State& state) {
    for (auto _ : state) {
        pugi::xml_document doc;
        doc.load_buffer(Call.data(), Call.size());
        benchmark::DoNotOptimize(doc.document_element().first_child().first_child().child_value());
    }
}
BENCHMARK(BM_MinimalPugixmlParse);

void BM_SnapshotUnchanged(benchmark::State& state) {
    TMonitor m;
    for (auto _ : state) benchmark::DoNotOptimize(m.View.Current());
}
BENCHMARK(BM_SnapshotUnchanged);

} // namespace

BENCHMARK_MAIN();
