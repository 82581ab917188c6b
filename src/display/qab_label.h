#pragma once
// The label that draws one display line with its inline markup (bold, italic, underline,
// colour, drop shadow, character set, absolute position) and sizes and places itself from
// what it draws.

#include "display/colors.h"
#include "display/markup.h"

#include <QLabel>
#include <QPointer>

#include <string>
#include <vector>

namespace keltrix {

class TQabColorLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(int AlignDir READ AlignDir WRITE SetAlignDir)
    Q_PROPERTY(int CurHeight READ CurHeight)

public:
    // Lines never get wider than this, whatever PIXELSTART asks: X11 sizes are 16-bit.
    static constexpr int MaxLineWidth = 32767;

    explicit TQabColorLabel(QWidget* owner = nullptr);

    // The caption. A new caption sizes and places the label at once (QLabel::setText is not
    // virtual; a caption set through a QLabel pointer is caught up at the next paint).
    void setText(const QString& caption);

    // 0 left (the left edge stays where the display put it), 1 right, 2 centre in the parent.
    int AlignDir() const { return AlignDir_; }
    void SetAlignDir(int alignDir);
    // The line pitch: the height of "Wg" in the label's font plus 2.
    int CurHeight() const;

    // The font's colour; a system colour follows the application palette, clDefault the
    // label's own text colour (its palette's foreground), clNone draws no text.
    TColor FontColor() const { return FontColor_; }
    void SetFontColor(TColor color);

    // The total advance of the caption's runs as last laid out (the label's width unless it
    // is negative or beyond MaxLineWidth).
    std::int64_t Advance() const { return Advance_; }

signals:
    // A left click released over the label. While nothing listens, presses pass on to the
    // window, which drags itself by them.
    void clicked();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct TLaidRun {
        TMarkupRun Run;
        QString Text;
        QFont Font;
    };

    void Relayout();
    // Parses the caption again when it or the font changed; true when it did.
    bool LayOutRuns();
    // Applies the label's size, the window's widening and the alignment.
    void Place();
    void WatchParent();
    QColor WindowColor() const;
    QColor TextColor() const;
    void DrawRun(QPainter& painter, const TLaidRun& run, int x, int y, const QColor& color,
                 const QColor* background) const;

    int AlignDir_ = 0;
    TColor FontColor_ = clDefault;
    QString RunsCaption_;
    QFont RunsFont_;
    bool RunsValid_ = false;
    std::vector<TLaidRun> Runs_;
    std::int64_t Advance_ = 0;
    bool Placing_ = false;
    bool Pressed_ = false;
    QPointer<QWidget> WatchedParent_;
};

// One line of the format string on the display; keeps the line's raw text, tags unrendered.
class TFmtLabel : public TQabColorLabel {
    Q_OBJECT

public:
    using TQabColorLabel::TQabColorLabel;

    std::string FormatLine;
};

} // namespace keltrix
