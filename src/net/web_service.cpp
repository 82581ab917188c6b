#include "net/web_service.h"

#include "net/soap_envelope.h"
#include "net/soap_service.h"
#include "net/soap_wsdl.h"

namespace keltrix {
namespace {

constexpr const char* XmlType = "text/xml; charset=utf-8";

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

} // namespace

std::string ServiceRoot(const httplib::Request& req) {
    std::string host = req.get_header_value("Host");
    if (host.empty()) {
        host = req.local_addr.find(':') != std::string::npos ? "[" + req.local_addr + "]"
                                                             : req.local_addr;
        host += ":" + std::to_string(req.local_port);
    }
    return "http://" + host;
}

TWebService::TWebService(TWebView& view, THttpLimits limits)
    : View_(view), Server_(limits, [this](const httplib::Request& req, httplib::Response& res) {
          Handle(req, res);
      }) {}

TWebService::~TWebService() {
    Server_.Stop();
}

bool TWebService::Start(std::string& error) {
    return Server_.Start(Host, Port_, error);
}

void TWebService::Stop() {
    Server_.Stop();
}

template <class F>
std::shared_ptr<const std::string>
TWebService::Cached(TCache& cache, const std::shared_ptr<const TWebSnapshot>& snap, F&& build) {
    {
        const std::lock_guard<std::mutex> hold(cache.Lock);
        if (cache.For == snap && cache.Text) return cache.Text;
    }
    auto text = std::make_shared<const std::string>(build());
    const std::lock_guard<std::mutex> hold(cache.Lock);
    cache.For = snap;
    cache.Text = text;
    return text;
}

std::shared_ptr<const std::string>
TWebService::Document(const std::shared_ptr<const TWebSnapshot>& snap) {
    // The document is a function of the snapshot; built once for each new state.
    return Cached(DocumentCache_, snap, [&] {
        auto module = Pool_.Acquire();
        module->Load(*snap);
        std::string text = module->GetXML();
        View_.RegisterDrives(module->NewDrives());
        return text;
    });
}

std::string TWebService::DataDocument() {
    return *Document(View_.Current());
}

void TWebService::Soap(const httplib::Request& req, httplib::Response& res) {
    try {
        if (req.method != "POST")
            throw ESoapFault("A SOAP call is sent with POST, not " + req.method);
        const TSoapCall call = ParseSoapRequest(req.body);
        const auto snap = View_.Current();
        auto module = Pool_.Acquire();
        module->Load(*snap);
        res.set_content(InvokeKeltrixWS(call, *snap, *module), XmlType);
        View_.RegisterDrives(module->NewDrives());
        res.status = 200;
    } catch (const std::exception& e) {
        res.status = 500;
        res.set_content(SoapFault(e.what()), XmlType);
    }
}

void TWebService::Handle(const httplib::Request& req, httplib::Response& res) {
    const std::string path = Lower(req.path);
    if (path != "/data" && path.rfind("/soap", 0) == 0) return Soap(req, res);
    if (path.rfind("/wsdl", 0) == 0) {
        const std::string rest = path.substr(5);
        if (rest.empty() || rest == "/") {
            res.set_content(WsdlListing(ServiceRoot(req)), "text/html; charset=utf-8");
        } else if (rest == "/ikeltrixws") {
            res.set_content(KeltrixWsdl(ServiceRoot(req)), XmlType);
        } else {
            res.status = 404;
            res.set_content("No interface named \"" + req.path.substr(6) + "\" is published\r\n",
                            "text/plain; charset=utf-8");
            return;
        }
        res.status = 200;
        return;
    }
    if (path == "/metrics") {
        const TMetricsFormat format = ChooseMetricsFormat(req.get_header_value("Accept"));
        const auto snap = View_.Current();
        const auto text = Cached(MetricsCache_[static_cast<int>(format)], snap,
                                 [&] { return RenderMetrics(*snap, format); });
        res.set_content(*text, MetricsContentType(format));
        res.status = 200;
        return;
    }
    // "/data", and every path nothing else takes.
    res.set_content(*Document(View_.Current()), XmlType);
    res.status = 200;
}

} // namespace keltrix
