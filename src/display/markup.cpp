#include "display/markup.h"
#include "platform/ascii.h"

#include "measure/codepage.h"
#include "tags/number_format.h"

#include <algorithm>

namespace keltrix {
namespace {

class TMarkupWalk {
public:
    explicit TMarkupWalk(TMarkupFontStyle fontStyle) { State_.Style = fontStyle; }

    void Text(std::string_view text) {
        TMarkupRun run = State_;
        run.MoveTo = PendingMove_;
        PendingMove_.reset();
        // "RU" reads the line's Windows-1252 bytes as Windows-1251.
        run.Text = run.Cyrillic ? Cp1251ToUtf8(Utf8ToAnsi(text)) : std::string(text);
        Runs_.push_back(std::move(run));
    }

    void Code(const std::string& code) {
        auto& s = State_;
        if (code == "<")
            Text("<");
        else if (code == "B")
            s.Style.Bold = true;
        else if (code == "/B")
            s.Style.Bold = false;
        else if (code == "/C")
            s.Color.reset();
        else if (code == "I")
            s.Style.Italic = true;
        else if (code == "/I")
            s.Style.Italic = false;
        else if (code == "U")
            s.Style.Underline = true;
        else if (code == "/U")
            s.Style.Underline = false;
        else if (code.starts_with("PIXELSTART="))
            PixelStart(code.substr(11, 10));
        else if (code == "/S")
            s.Shadow = false;
        else if (code == "RU")
            s.Cyrillic = true;
        else if (code == "EU")
            s.Cyrillic = false;
        else if (code.starts_with("BGC:")) {
            // The background is always the window's colour; the code is only consumed.
        } else if (code.starts_with("C:")) {
            if (const auto color = ReadColorText(std::string_view(code).substr(2))) s.Color = color;
        } else if (code.starts_with("S")) {
            // Any code starting with S counts, so a leftover <SIZE> switches the shadow on.
            s.Shadow = true;
            const auto offset = ParseWholeNumber(code.size() > 2 ? code.substr(2) : "");
            s.ShadowOffset = offset ? static_cast<std::int8_t>(*offset) : 2;
        }
    }

    std::vector<TMarkupRun> Finish() {
        // A PIXELSTART after the last text still sets the line's width.
        if (PendingMove_) Text("");
        return std::move(Runs_);
    }

private:
    void PixelStart(const std::string& number) {
        if (const auto x = ParseWholeNumber(number)) PendingMove_ = *x;
    }

    TMarkupRun State_;
    std::optional<std::int32_t> PendingMove_;
    std::vector<TMarkupRun> Runs_;
};

} // namespace

std::vector<TMarkupRun> ParseMarkup(std::string_view caption, TMarkupFontStyle fontStyle) {
    TMarkupWalk walk(fontStyle);
    std::size_t i = 0;
    while (i < caption.size()) {
        if (caption[i] != '<') {
            const std::size_t next = std::min(caption.find('<', i), caption.size());
            walk.Text(caption.substr(i, next - i));
            i = next;
            continue;
        }
        const std::size_t close = caption.find('>', i + 1);
        const std::size_t end = close == std::string_view::npos ? caption.size() : close;
        walk.Code(UpperAscii(caption.substr(i + 1, end - i - 1)));
        i = close == std::string_view::npos ? caption.size() : close + 1;
    }
    return walk.Finish();
}

std::int64_t LayoutMarkup(std::vector<TMarkupRun>& runs, const TMeasureRun& measure) {
    std::int64_t x = 0;
    for (auto& run : runs) {
        if (run.MoveTo) x = *run.MoveTo;
        run.X = x;
        run.Width = run.Text.empty() ? 0 : measure(run);
        x += run.Width;
    }
    return x;
}

} // namespace keltrix
