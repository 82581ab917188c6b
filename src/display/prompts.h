#pragma once
// The modal questions the window's menu commands ask. The commands take them as functions so
// that tests answer for the user; QtPrompts gives the real dialogs.

#include "display/colors.h"

#include <QFont>

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace keltrix {

struct TFontChoice {
    QFont Font;
    TColor Color = clWindowText;
};

struct TPrompts {
    // A one-line input box; none on Cancel.
    std::function<std::optional<std::string>(const std::string& title, const std::string& prompt,
                                             const std::string& initial)>
        InputQuery;
    // A warning with Yes and No; true for Yes.
    std::function<bool(const std::string& text)> AskWarningYesNo;
    // A warning with an OK button.
    std::function<void(const std::string& text)> Warning;
    // The font dialog with effects (colour, underline, strikeout) and an Apply button that
    // calls apply with the font as chosen so far; none on Cancel.
    std::function<std::optional<TFontChoice>(const TFontChoice& initial,
                                             const std::function<void(const TFontChoice&)>& apply)>
        ChooseFont;
};

TPrompts QtPrompts(QWidget* parent);

} // namespace keltrix
