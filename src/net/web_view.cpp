#include "net/web_view.h"

#include <cstring>

namespace keltrix {

bool TWebSnapshot::SameState(const TWebSnapshot& other) const {
    return std::memcmp(&Record, &other.Record, sizeof Record) == 0 && Active == other.Active &&
           Alignment == other.Alignment && Captions == other.Captions &&
           FormatString == other.FormatString && MountPoints == other.MountPoints &&
           Interfaces == other.Interfaces && ServerHost == other.ServerHost;
}

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

std::shared_ptr<const TWebSnapshot> TWebView::Current() {
    std::shared_ptr<const TWebSnapshot> latest;
    {
        const std::lock_guard<std::mutex> hold(LatestLock_);
        latest = Latest_;
    }
    auto fresh = std::make_shared<TWebSnapshot>();
    Source_.UnderLock([&] { Fill(*fresh); });
    if (latest && latest->SameState(*fresh)) return latest;
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
