// Arbitrary SOAP request bodies: parsed, and when they are a call, invoked on a snapshot of a
// monitor whose display uses every formatter.
#include "../tests/net/web_fixture.h"
#include "net/soap_service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static keltrix::test::TFakeMonitor monitor;
    static const bool applied = [] {
        monitor.Data().Drives[1].Letter = 'C';
        monitor.Apply("<NAME=ProcUsage><NAME=Threads><NAME=RAMFree><NAME=NetRead><NAME=CompName>"
                      "<NAME=TopProc><NAME=BatPercent><NAME=Temp1>");
        return true;
    }();
    (void)applied;
    static keltrix::TWebModule module;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    try {
        const keltrix::TSoapCall call = keltrix::ParseSoapRequest(body);
        const auto snap = monitor.View.Current();
        module.Load(*snap);
        (void)keltrix::InvokeKeltrixWS(call, *snap, module);
    } catch (const keltrix::ESoapFault&) {
    }
    return 0;
}
