#include "settings/format_preview.h"

#include "display/colors.h"

namespace keltrix {
namespace {

constexpr std::string_view TagOpening = "<NAME=";

// "<" draws as text only when written "<<>".
std::string AsText(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "<<>";
        else
            out += c;
    }
    return out;
}

// The codes that put back the colour and underline in force before the marking.
std::string Restore(std::string_view before, TMarkupFontStyle fontStyle) {
    const std::vector<TMarkupRun> runs = ParseMarkup(std::string(before) + "x", fontStyle);
    const TMarkupRun& state = runs.back();
    std::string codes;
    if (state.Color) codes += "<C:" + ColorToText(*state.Color) + ">";
    if (state.Style.Underline) codes += "<U>";
    return codes;
}

} // namespace

TPreviewLine MarkUnknownTags(std::string_view rendered, TMarkupFontStyle fontStyle) {
    TPreviewLine preview;
    const std::string upper = AsciiUpper(rendered);
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = upper.find(TagOpening, from);
        if (at == std::string::npos) break;
        const std::size_t close = rendered.find('>', at);
        const std::size_t end = close == std::string_view::npos ? rendered.size() : close + 1;
        const std::string_view tag = rendered.substr(at, end - at);
        const std::size_t nameEnd = tag.find_first_of(" >", TagOpening.size());
        preview.UnknownTags.emplace_back(
            tag.substr(TagOpening.size(),
                       nameEnd == std::string_view::npos ? nameEnd : nameEnd - TagOpening.size()));
        preview.Caption.append(rendered.substr(from, at - from));
        preview.Caption += "<C:Red><U>" + AsText(tag) + "</U></C>";
        preview.Caption += Restore(rendered.substr(0, at), fontStyle);
        from = end;
    }
    preview.Caption.append(rendered.substr(from));
    return preview;
}

TPreviewLine RenderPreviewLine(TFormatterList& formatters, const std::string& line,
                               TMarkupFontStyle fontStyle) {
    std::vector<bool> wasActive;
    std::vector<const TFormatter*> unmeasured;
    for (auto& formatter : formatters) {
        wasActive.push_back(formatter->Active);
        if (formatter->Active) continue;
        formatter->DecideIfActive(line);
        if (formatter->Active) unmeasured.push_back(formatter.get());
    }
    std::string text = line;
    try {
        for (const auto& formatter : formatters) text = formatter->ApplyTags(std::move(text));
    } catch (...) {
        for (std::size_t i = 0; i < formatters.size(); ++i) formatters[i]->Active = wasActive[i];
        throw;
    }
    for (std::size_t i = 0; i < formatters.size(); ++i) formatters[i]->Active = wasActive[i];
    TPreviewLine preview = MarkUnknownTags(text, fontStyle);
    preview.Unmeasured = std::move(unmeasured);
    return preview;
}

} // namespace keltrix
