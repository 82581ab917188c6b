#pragma once
// The web service: the SOAP interface IKeltrixWS, its description, the data document and the
// metrics, answered from snapshots of the monitor on the HTTP server's worker threads.

#include "net/metrics.h"
#include "net/web_http_server.h"
#include "net/web_module.h"
#include "net/web_view.h"

#include <memory>
#include <mutex>
#include <string>

namespace keltrix {

inline constexpr int DefaultWebServicePort = 61300;

class TWebService {
public:
    explicit TWebService(TWebView& view, THttpLimits limits = {});
    ~TWebService();

    // The port of the next start; a running server keeps its port until restarted.
    void SetPort(int port) { Port_ = port; }
    int Port() const { return Port_; }
    // Listens on Host at Port (0: a free port). False with the reason when it cannot.
    bool Start(std::string& error);
    void Stop();
    bool Listening() const { return Server_.Listening(); }
    int BoundPort() const { return Server_.Port(); }
    std::string Host = "0.0.0.0";

    // One request, as the worker threads answer it.
    void Handle(const httplib::Request& req, httplib::Response& res);
    // GetXML on a snapshot of now, with its drive registrations.
    std::string DataDocument();

private:
    struct TCache {
        std::mutex Lock;
        std::shared_ptr<const TWebSnapshot> For;
        std::shared_ptr<const std::string> Text;
    };
    template <class F>
    std::shared_ptr<const std::string>
    Cached(TCache& cache, const std::shared_ptr<const TWebSnapshot>& snap, F&& build);
    std::shared_ptr<const std::string> Document(const std::shared_ptr<const TWebSnapshot>& snap);
    void Soap(const httplib::Request& req, httplib::Response& res);

    TWebView& View_;
    TWebModulePool Pool_;
    TCache DocumentCache_;
    TCache MetricsCache_[2];
    int Port_ = DefaultWebServicePort;
    THttpServer Server_;
};

// "http://host:port" as the request addressed the server.
std::string ServiceRoot(const httplib::Request& req);

} // namespace keltrix
