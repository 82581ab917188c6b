#include "net/web_module.h"

#include "display/layout_text.h"
#include "net/data_document.h"
#include "tags/nonperf_format.h"

#include <cstring>

namespace keltrix {
namespace {

constexpr std::string_view FileDataTitle = "File Line Data";

TNonPerfFormat* NonPerf(TFormatterList& formatters) {
    for (auto& f : formatters)
        if (auto* n = dynamic_cast<TNonPerfFormat*>(f.get())) return n;
    return nullptr;
}

} // namespace

std::set<std::string> FileDataSpecs(const std::string& formatString) {
    std::set<std::string> specs;
    TRawDataShell scratch;
    TNonPerfFormat recorder(scratch);
    const int index = recorder.TagList.IndexOf(FileDataTitle);
    if (index < 0) return specs;
    recorder.TagList.SetFormatFunc(static_cast<std::size_t>(index),
                                   [&specs](const std::string& format, bool, bool, std::int32_t) {
                                       specs.insert(format);
                                       return std::string();
                                   });
    recorder.Active = true;
    // Rendered line by line, as the display does.
    for (const std::string& line : SplitFormatLines(formatString)) (void)recorder.ApplyTags(line);
    return specs;
}

TWebModule::TWebModule() : Formatters_(CreateFormatters(Shell_)) {
    GuardFileData();
}

void TWebModule::GuardFileData() {
    TNonPerfFormat* nonPerf = NonPerf(Formatters_);
    if (!nonPerf) return;
    const int index = nonPerf->TagList.IndexOf(FileDataTitle);
    if (index < 0) return;
    // Callers of the port may read only the files the display itself shows; a FileData tag
    // without a file reads nothing and keeps its message.
    nonPerf->TagList.SetFormatFunc(
        static_cast<std::size_t>(index), [this, nonPerf](const std::string& format, bool leadZero,
                                                         bool decimal, std::int32_t divisor) {
            if (!format.empty()) {
                if (!AllowedValid_ && Snapshot_) {
                    AllowedFiles_ = FileDataSpecs(Snapshot_->FormatString);
                    AllowedFor_ = Snapshot_->FormatString;
                    AllowedValid_ = true;
                }
                if (!AllowedFiles_.count(format)) return std::string();
            }
            return nonPerf->FileDataFunc(format, leadZero, decimal, divisor);
        });
}

void TWebModule::Load(const TWebSnapshot& snapshot) {
    Snapshot_ = &snapshot;
    std::memcpy(&Shell_.Data(), &snapshot.Record, sizeof snapshot.Record);
    std::memcpy(&Loaded_, &snapshot.Record, sizeof snapshot.Record);
    for (std::size_t i = 0; i < Formatters_.size(); ++i) {
        Formatters_[i]->Active = i < snapshot.Active.size() && snapshot.Active[i];
        Formatters_[i]->Alignment = snapshot.Alignment;
    }
    if (AllowedValid_ && AllowedFor_ != snapshot.FormatString) AllowedValid_ = false;
}

std::string TWebModule::RenderFormatted(const std::string& text) {
    std::string out = text;
    for (const auto& f : Formatters_)
        if (f->Active) out = f->ApplyTags(std::move(out));
    return out;
}

std::string TWebModule::GetXML() {
    std::vector<std::pair<std::string, std::string>> raw;
    std::vector<std::string> titles;
    for (const auto& f : Formatters_) {
        if (!f->Active) continue;
        titles.clear();
        f->GetTitles(titles);
        for (const std::string& title : titles) {
            std::string value = f->ApplyTags(f->GetDefaultUsage(title));
            if (const auto colon = value.find(": "); colon != std::string::npos)
                value.erase(0, colon + 2);
            raw.emplace_back(ElementNameOfTitle(title), std::move(value));
        }
    }
    static const std::vector<std::string> NoLines;
    return BuildDataDocument(raw, Snapshot_ ? Snapshot_->Captions : NoLines);
}

std::vector<char> TWebModule::NewDrives() const {
    std::vector<char> letters;
    const TRawData& now = Shell_.Data();
    for (int i = 1; i <= 16; ++i)
        if (now.Drives[i].Letter != 0 && now.Drives[i].Letter != Loaded_.Drives[i].Letter)
            letters.push_back(now.Drives[i].Letter);
    return letters;
}

TWebModulePool::THandle TWebModulePool::Acquire() {
    {
        const std::lock_guard<std::mutex> hold(Lock_);
        if (!Free_.empty()) {
            auto module = std::move(Free_.back());
            Free_.pop_back();
            return THandle(*this, std::move(module));
        }
    }
    return THandle(*this, std::make_unique<TWebModule>());
}

void TWebModulePool::Return(std::unique_ptr<TWebModule> module) {
    if (!module) return;
    const std::lock_guard<std::mutex> hold(Lock_);
    Free_.push_back(std::move(module));
}

} // namespace keltrix
