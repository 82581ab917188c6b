// Arbitrary SOAP request bodies: parsed, and when they are a call, invoked on a snapshot of a
// monitor whose display uses every formatter.
#include "net/soap_service.h"
#include "web_fuzz_monitor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static keltrix::fuzz::TWebFuzzMonitor monitor(
        "<NAME=ProcUsage><NAME=Threads><NAME=RAMFree><NAME=NetRead><NAME=CompName><NAME=TopProc>"
        "<NAME=BatPercent><NAME=Temp1>");
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
