#pragma once
// A monitor without window for the web service's tests, benchmarks and fuzz targets: record,
// formatters, label texts and the view lock, as the window holds them.

#include "display/layout_text.h"
#include "measure/memory_scale.h"
#include "net/web_view.h"

#include <mutex>
#include <string>
#include <vector>

namespace keltrix::test {

struct TFakeMonitor {
    TRawDataShell Shell;
    TFormatterList Formatters = CreateFormatters(Shell);
    std::recursive_mutex Lock;
    std::vector<std::string> Captions;
    std::string FormatString;
    std::string ServerHost;
    TWebView View{Source()};

    TWebViewSource Source() {
        TWebViewSource s;
        s.UnderLock = LockWith(Lock);
        s.Record = &Shell;
        s.Formatters = &Formatters;
        s.Captions = [this]() -> const std::vector<std::string>& { return Captions; };
        s.FormatString = [this]() -> const std::string& { return FormatString; };
        s.MountPoints = [] { return std::vector<std::pair<char, std::string>>{{'C', "/"}}; };
        s.ServerHost = [this] { return ServerHost; };
        return s;
    }

    // What SetFromString and a refresh do: Active flags, drive letters cleared, lines drawn.
    void Apply(const std::string& format) {
        const std::lock_guard<std::recursive_mutex> hold(Lock);
        FormatString = format;
        for (auto& f : Formatters) f->DecideIfActive(format);
        Refresh();
    }
    void Refresh() {
        const std::lock_guard<std::recursive_mutex> hold(Lock);
        Captions.clear();
        for (const std::string& line : SplitFormatLines(FormatString)) {
            std::string text = line;
            try {
                for (const auto& f : Formatters)
                    if (f->Active) text = f->ApplyTags(std::move(text));
            } catch (const std::exception&) {
                text.clear(); // the window reports it to the general error handler
            }
            Captions.push_back(text);
        }
    }
    TRawData& Data() { return Shell.Data(); }
};

} // namespace keltrix::test
