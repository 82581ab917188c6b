#pragma once
// A monitor without window for the web service's fuzz targets: a record, its formatters set
// by a format string, one display line, and the view the service reads.

#include "net/web_view.h"

#include <mutex>
#include <string>
#include <vector>

namespace keltrix::fuzz {

struct TWebFuzzMonitor {
    explicit TWebFuzzMonitor(std::string format) : Format(std::move(format)) {
        for (auto& f : Formatters) f->DecideIfActive(Format);
        Shell.Data().Drives[1].Letter = 'C';
    }
    TRawDataShell Shell;
    TFormatterList Formatters = CreateFormatters(Shell);
    std::recursive_mutex Lock;
    std::vector<std::string> Captions{"<B>line</B>"};
    std::string Format;
    TWebView View{Source()};

private:
    TWebViewSource Source() {
        TWebViewSource s;
        s.UnderLock = LockWith(Lock);
        s.Record = &Shell;
        s.Formatters = &Formatters;
        s.Captions = [this]() -> const std::vector<std::string>& { return Captions; };
        s.FormatString = [this]() -> const std::string& { return Format; };
        return s;
    }
};

} // namespace keltrix::fuzz
