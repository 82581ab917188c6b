// Arbitrary SOAP request bodies: parsed, and when they are a call, invoked on a snapshot of a
// monitor whose display uses every formatter.
#include "net/soap_service.h"
#include "net/web_view.h"

#include <mutex>

namespace {

struct TMonitor {
    keltrix::TRawDataShell Shell;
    keltrix::TFormatterList Formatters = keltrix::CreateFormatters(Shell);
    std::recursive_mutex Lock;
    std::vector<std::string> Captions{"line"};
    std::string Format = "<NAME=ProcUsage><NAME=Threads><NAME=RAMFree><NAME=NetRead>"
                         "<NAME=CompName><NAME=TopProc><NAME=BatPercent><NAME=Temp1>";
    keltrix::TWebView View{Source()};
    keltrix::TWebViewSource Source() {
        keltrix::TWebViewSource s;
        s.UnderLock = keltrix::LockWith(Lock);
        s.Record = &Shell;
        s.Formatters = &Formatters;
        s.Captions = [this]() -> const std::vector<std::string>& { return Captions; };
        s.FormatString = [this]() -> const std::string& { return Format; };
        return s;
    }
    TMonitor() {
        for (auto& f : Formatters) f->DecideIfActive(Format);
        Shell.Data().Drives[1].Letter = 'C';
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TMonitor monitor;
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
