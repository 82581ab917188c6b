// The window's look: text font, background colour or picture, and transparency (colour key
// plus constant alpha).

#include "base/smartlog.h"
#include "display/color_resolve.h"
#include "display/display_layout.h"
#include "display/qab_label.h"
#include "display/window_behaviour.h"
#include "display/x11_desktop.h"
#include "settings/registry_store.h"

#include <QAction>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace keltrix {

QFont ToQFont(const TFontSettings& settings) {
    QFont font(QString::fromStdString(settings.Name));
    font.setPointSize(settings.Size > 0 ? settings.Size : 8);
    font.setBold(settings.Style & 1);
    font.setItalic(settings.Style & 2);
    font.setUnderline(settings.Style & 4);
    font.setStrikeOut(settings.Style & 8);
    if (settings.Pitch == 1 || settings.Pitch == 2) font.setFixedPitch(settings.Pitch == 2);
    return font;
}

void FromQFont(const QFont& font, TFontSettings& settings) {
    settings.Name = font.family().toStdString();
    if (font.pointSize() > 0)
        settings.Size = font.pointSize();
    else if (font.pixelSize() > 0)
        settings.Size = std::max(1, font.pixelSize() * 72 / 96);
    settings.Style =
        static_cast<std::uint8_t>((font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) |
                                  (font.underline() ? 4 : 0) | (font.strikeOut() ? 8 : 0));
}

void TWindowBehaviour::SetWindowColor(TColor color) {
    WindowColor_ = color;
    const QColor wanted = ColorToQColor(color, QColor(Qt::white));
    QPalette palette = Window_->palette();
    if (palette.color(QPalette::Window) == wanted) return;
    palette.setColor(QPalette::Window, wanted);
    Window_->setPalette(palette);
}

void TWindowBehaviour::SetFontSettings(const TFontSettings& settings) {
    Font_ = settings;
    Window_->setFont(ToQFont(settings));
    Layout_.SetFontColor(settings.Color);
}

void TWindowBehaviour::Font1Click() {
    LogAdd("Font1Click");
    TDialogHold hold(*this);
    const auto chosen = Prompts_.ChooseFont({Window_->font(), Font_.Color},
                                            [this](const TFontChoice& c) { FontDialog1Apply(c); });
    if (chosen) {
        TFontSettings settings = Font_;
        FromQFont(chosen->Font, settings);
        settings.Color = chosen->Color;
        SetFontSettings(settings);
        Settings_.WriteString("FontName", settings.Name);
        Settings_.WriteInteger("FontColor", static_cast<std::int32_t>(settings.Color));
        Settings_.WriteInteger("FontSize", settings.Size);
        Settings_.WriteInteger("FontPitch", settings.Pitch);
        Settings_.WriteBinaryData("FontStyle", &settings.Style, 1);
    }
    // Cancel keeps what Apply showed, unstored.
    Setfont();
}

void TWindowBehaviour::FontDialog1Apply(const TFontChoice& choice) {
    LogAdd("FontDialog1Apply");
    TFontSettings settings = Font_;
    FromQFont(choice.Font, settings);
    settings.Color = choice.Color;
    SetFontSettings(settings);
    Setfont();
}

void TWindowBehaviour::Setfont() {
    LogAdd("Setfont");
    if (Font_.Color == WindowColor_) {
        const int weight = 2 * RedOf(Font_.Color) + 5 * GreenOf(Font_.Color) + BlueOf(Font_.Color);
        SetWindowColor(weight >= 1024 ? clGray : clSilver);
    }
    const QFont font = Window_->font();
    for (TFmtLabel* label : Layout_.Labels()) label->setFont(font);
    Layout_.SetFontColor(Font_.Color);
    if (!Transperant1->isChecked() && Font_.Color == WindowColor_) {
        bool change = false;
        {
            TDialogHold hold(*this);
            change = Prompts_.AskWarningYesNo(IdenticalColorsQuestion);
        }
        if (change) Color1Click();
    }
    SetDragImage();
    SetTrans();
    Layout_.AutoSize = true;
    Layout_.SetSize();
}

void TWindowBehaviour::Color1Click() {
    LogAdd("Color1Click");
    TDialogHold hold(*this);
    const auto answer = Prompts_.InputQuery(
        "Color Selection", "Enter an English name (Red), or a value in Hex prefaced with a $",
        ColorToText(WindowColor_));
    if (!answer) return;
    // A visible colour is what was asked for: transparency off until the next start.
    if (Transperant1->isChecked()) {
        Transperant1->setChecked(false);
        SetTrans();
    }
    const auto color = ReadColorText(*answer);
    if (!color) {
        Prompts_.Warning(*answer + " is not a valid color.");
        return;
    }
    Settings_.WriteInteger("BGColor", static_cast<std::int32_t>(*color));
    Settings_.WriteBool("UseFileNameAsBackground", false);
    SetBackDone();
    Window_->update();
}

void TWindowBehaviour::Transperant1Click() {
    LogAdd("Transperant1Click");
    Transperant1->setChecked(!Transperant1->isChecked());
    Settings_.WriteBool("Trans", Transperant1->isChecked());
    SetTrans();
}

void TWindowBehaviour::SetTrans() {
    LogAdd("SetTrans");
    if (Transperant1->isChecked()) {
        UpdateShape();
        Window_->setWindowOpacity(Alpha_ < 255 ? Alpha_ / 255.0 : 1.0);
    } else {
        ClearShape();
        Window_->setWindowOpacity(1.0);
    }
    x11::Flush();
}

void TWindowBehaviour::SetBackDone() {
    LogAdd("SetBackDone");
    if (!Settings_.ValueExists("UseFileNameAsBackground")) return;
    if (!Settings_.ReadBool("UseFileNameAsBackground")) {
        ShowPicture_ = false;
        if (Settings_.ValueExists("BGColor"))
            SetWindowColor(static_cast<TColor>(Settings_.ReadInteger("BGColor")));
        return;
    }
    TColor color = clWhite;
    ShowPicture_ = false;
    if (Settings_.ValueExists("BGFileName")) {
        const std::string fileName = Settings_.ReadString("BGFileName");
        if (Background_.Load(fileName).isNull()) {
            // Instead of an error on every paint: the colour, and one message.
            ShowImageFailure(fileName, Background_.Error());
            if (Settings_.ValueExists("BGColor"))
                color = static_cast<TColor>(Settings_.ReadInteger("BGColor"));
        } else {
            ReportedImage_.clear();
            ShowPicture_ = true;
        }
    }
    SetWindowColor(color);
}

std::string TWindowBehaviour::LoadBackground() {
    const bool picture = Settings_.ValueExists("UseFileNameAsBackground") &&
                         Settings_.ReadBool("UseFileNameAsBackground") &&
                         Settings_.ValueExists("BGFileName");
    if (picture) ReportedImage_ = Settings_.ReadString("BGFileName");
    SetBackDone();
    Window_->update();
    if (!picture || ShowPicture_) return {};
    return Background_.Error().empty() ? std::string("it cannot be loaded") : Background_.Error();
}

void TWindowBehaviour::ShowImageFailure(const std::string& fileName, const std::string& why) {
    if (ReportedImage_ == fileName) return;
    ReportedImage_ = fileName;
    if (!Hooks_.ShowMessage) return;
    const std::string text = "Unable to load the background picture\r\n" + fileName + "\r\n" + why;
    // Not from inside a paint: the message box runs its own event loop.
    QTimer::singleShot(0, this, [this, text] {
        if (Hooks_.ShowMessage) Hooks_.ShowMessage(text);
    });
}

void TWindowBehaviour::PaintBackground() {
    try {
        SetBackDone();
    } catch (const std::exception& e) {
        // Settings of the wrong type: said once, like a picture that cannot be loaded.
        ShowPicture_ = false;
        ShowImageFailure("settings", e.what());
    }
    if (!ShowPicture_) return;
    QPainter painter(Window_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (UseWindowing && screen) {
        // The window shows its own piece of a picture stretched over the whole screen.
        const QRect desktop = screen->geometry();
        const QImage& stretched = Background_.Scaled(desktop.size());
        const QRect piece(Window_->mapToGlobal(QPoint(0, 0)) - desktop.topLeft(), Window_->size());
        painter.drawImage(Window_->rect(), stretched, piece);
    } else {
        painter.drawImage(QPoint(0, 0), Background_.Scaled(Window_->size()));
    }
}

} // namespace keltrix
