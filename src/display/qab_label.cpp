#include "display/qab_label.h"

#include "display/color_resolve.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace keltrix {
namespace {

const QColor ShadowColor(128, 128, 128);

TMarkupFontStyle StyleOf(const QFont& font) {
    return {font.bold(), font.italic(), font.underline()};
}

// Only what a code changed is touched, so a light or semi-bold base weight survives.
QFont FontFor(const QFont& base, const TMarkupFontStyle& style) {
    QFont font = base;
    if (style.Bold != base.bold()) font.setBold(style.Bold);
    if (style.Italic != base.italic()) font.setItalic(style.Italic);
    if (style.Underline != base.underline()) font.setUnderline(style.Underline);
    return font;
}

int ClampToLine(std::int64_t x) {
    return static_cast<int>(
        std::clamp<std::int64_t>(x, -TQabColorLabel::MaxLineWidth, TQabColorLabel::MaxLineWidth));
}

} // namespace

TQabColorLabel::TQabColorLabel(QWidget* owner) : QLabel(owner) {
    // Markup is ours: QLabel must never take the caption for rich text.
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_OpaquePaintEvent);
    WatchParent();
}

void TQabColorLabel::setText(const QString& caption) {
    QLabel::setText(caption);
    Relayout();
}

void TQabColorLabel::SetAlignDir(int alignDir) {
    if (AlignDir_ == alignDir) return;
    AlignDir_ = alignDir;
    Relayout();
}

int TQabColorLabel::CurHeight() const {
    return QFontMetrics(font(), this).height() + 2;
}

void TQabColorLabel::SetFontColor(TColor color) {
    if (FontColor_ == color) return;
    FontColor_ = color;
    update();
}

void TQabColorLabel::Relayout() {
    // The same caption every second repaints nothing.
    if (LayOutRuns()) update();
    Place();
}

bool TQabColorLabel::LayOutRuns() {
    const QString caption = text();
    const QFont base = font();
    if (RunsValid_ && caption == RunsCaption_ && base == RunsFont_) return false;
    RunsCaption_ = caption;
    RunsFont_ = base;
    RunsValid_ = true;

    auto runs = ParseMarkup(caption.toStdString(), StyleOf(base));
    // Measured on this widget so that the widths match what paintEvent draws.
    Advance_ = LayoutMarkup(runs, [&](const TMarkupRun& run) {
        return QFontMetrics(FontFor(base, run.Style), this)
            .horizontalAdvance(QString::fromStdString(run.Text));
    });
    Runs_.clear();
    Runs_.reserve(runs.size());
    for (auto& run : runs) {
        QString text = QString::fromStdString(run.Text);
        QFont runFont = FontFor(base, run.Style);
        Runs_.push_back({std::move(run), std::move(text), std::move(runFont)});
    }
    return true;
}

void TQabColorLabel::Place() {
    if (Placing_) return;
    Placing_ = true;
    const int x = ClampToLine(Advance_);
    const QSize wanted(std::max(x, 0), QFontMetrics(font(), this).height());
    if (size() != wanted) resize(wanted);
    if (QWidget* parent = parentWidget()) {
        if (parent->width() < x) parent->resize(std::min(x + 10, MaxLineWidth), parent->height());
        const int parentWidth = parent->width();
        int left = pos().x();
        if (AlignDir_ == 1)
            left = parentWidth - x;
        else if (AlignDir_ == 2)
            left = parentWidth / 2 - x / 2;
        if (left != pos().x()) move(left, pos().y());
    }
    Placing_ = false;
}

void TQabColorLabel::WatchParent() {
    if (WatchedParent_ == parentWidget()) return;
    if (WatchedParent_) WatchedParent_->removeEventFilter(this);
    WatchedParent_ = parentWidget();
    if (WatchedParent_) WatchedParent_->installEventFilter(this);
}

bool TQabColorLabel::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) {
        WatchParent();
        Relayout();
    }
    return QLabel::event(event);
}

void TQabColorLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        Relayout();
    else if (event->type() == QEvent::PaletteChange)
        update();
    QLabel::changeEvent(event);
}

bool TQabColorLabel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == WatchedParent_) {
        // Alignment follows the window's width; the background follows its colour.
        if (event->type() == QEvent::Resize)
            Place();
        else if (event->type() == QEvent::PaletteChange)
            update();
    }
    return QLabel::eventFilter(watched, event);
}

QColor TQabColorLabel::WindowColor() const {
    const QWidget* window = parentWidget() ? parentWidget() : this;
    return window->palette().color(window->backgroundRole());
}

QColor TQabColorLabel::TextColor() const {
    return ColorToQColor(FontColor_, palette().color(foregroundRole()));
}

void TQabColorLabel::DrawRun(QPainter& painter, const TLaidRun& run, int x, int y,
                             const QColor& color, const QColor* background) const {
    const QFontMetrics metrics(run.Font, this);
    // An opaque run covers its cell, overdrawing whatever an earlier run left there.
    if (background) painter.fillRect(x, y, run.Run.Width, metrics.height(), *background);
    // Drawn in the font it was measured with: the run's style, not the label's.
    painter.setFont(run.Font);
    painter.setPen(color);
    painter.drawText(QPoint(x, y + metrics.ascent()), run.Text);
}

void TQabColorLabel::paintEvent(QPaintEvent*) {
    if (LayOutRuns()) {
        // The caption came in through QLabel::setText: size and place after this paint.
        QTimer::singleShot(0, this, [this] {
            Place();
            update();
        });
    }
    QPainter painter(this);
    const QColor background = WindowColor();
    painter.fillRect(rect(), background);
    const QColor textColor = TextColor();
    for (const auto& run : Runs_) {
        const auto& r = run.Run;
        // Shadows reach at most 128 pixels either way.
        if (run.Text.isEmpty() || r.X - 128 >= width() || r.X + r.Width + 128 <= 0) continue;
        const int x = static_cast<int>(r.X);
        const QColor color = r.Color ? ColorToQColor(*r.Color, textColor) : textColor;
        if (r.Shadow) {
            // The grey copy first; the text over it leaves the copy visible around it.
            DrawRun(painter, run, x + r.ShadowOffset, r.ShadowOffset, ShadowColor, &background);
            DrawRun(painter, run, x, 0, color, nullptr);
        } else {
            DrawRun(painter, run, x, 0, color, &background);
        }
    }
}

void TQabColorLabel::mousePressEvent(QMouseEvent* event) {
    static const QMetaMethod clickedSignal = QMetaMethod::fromSignal(&TQabColorLabel::clicked);
    if (event->button() == Qt::LeftButton && isSignalConnected(clickedSignal)) {
        Pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void TQabColorLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (Pressed_ && event->button() == Qt::LeftButton) {
        Pressed_ = false;
        event->accept();
        if (rect().contains(event->position().toPoint())) emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace keltrix
