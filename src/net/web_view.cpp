#include "net/web_view.h"

#include <cstring>

namespace keltrix {

TWebView::TWebView(TWebViewSource source) : Source_(std::move(source)) {}

void TWebView::Fill(TWebSnapshot& out) const {
    std::memcpy(&out.Record, &Source_.Record->Data(), sizeof out.Record);
    out.Active.clear();
    for (const auto& f : *Source_.Formatters) out.Active.push_back(f->Active);
    out.Alignment = Source_.Formatters->empty() ? 0 : Source_.Formatters->front()->Alignment;
    out.Captions = Source_.Captions();
    out.FormatString = Source_.FormatString();
    out.MountPoints =
        Source_.MountPoints ? Source_.MountPoints() : std::vector<std::pair<char, std::string>>{};
    out.Interfaces = Source_.Interfaces ? Source_.Interfaces() : std::vector<std::string>{};
    out.ServerHost = Source_.ServerHost ? Source_.ServerHost() : std::string();
}

bool TWebView::SameAsLive(const TWebSnapshot& s) const {
    const TFormatterList& formatters = *Source_.Formatters;
    if (std::memcmp(&s.Record, &Source_.Record->Data(), sizeof s.Record) != 0) return false;
    if (s.Active.size() != formatters.size()) return false;
    for (std::size_t i = 0; i < formatters.size(); ++i)
        if (s.Active[i] != formatters[i]->Active) return false;
    if (!formatters.empty() && s.Alignment != formatters.front()->Alignment) return false;
    // Mount points and interfaces change only with a sample, which changes the record.
    return s.Captions == Source_.Captions() && s.FormatString == Source_.FormatString();
}

std::shared_ptr<const TWebSnapshot> TWebView::Current() {
    std::shared_ptr<const TWebSnapshot> latest;
    {
        const std::lock_guard<std::mutex> hold(LatestLock_);
        latest = Latest_;
    }
    // Compared in place: most requests find the state they were built for, and copy nothing.
    std::shared_ptr<TWebSnapshot> fresh;
    Source_.UnderLock([&] {
        if (latest && SameAsLive(*latest)) return;
        fresh = std::make_shared<TWebSnapshot>();
        Fill(*fresh);
    });
    if (!fresh) return latest;
    const std::lock_guard<std::mutex> hold(LatestLock_);
    Latest_ = fresh;
    return fresh;
}

void TWebView::RegisterDrives(const std::vector<char>& letters) {
    if (letters.empty()) return;
    Source_.UnderLock([&] { Register(Source_.Record->Data(), letters); });
}

void TWebView::Register(TRawData& data, const std::vector<char>& letters) {
    for (const char letter : letters) {
        bool known = false;
        for (int i = 1; i <= 16 && !known; ++i) known = data.Drives[i].Letter == letter;
        for (int i = 1; i <= 16 && !known; ++i) {
            if (data.Drives[i].Letter != 0) continue;
            data.Drives[i].Letter = letter;
            known = true;
        }
    }
}

} // namespace keltrix
