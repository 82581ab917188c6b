#include "app/tray_pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace keltrix {
namespace {

// The pictures are designed on a 16 x 16 grid. Edges of filled shapes are rounded to whole
// pixels of the target size, so straight edges stay sharp at 22 and 32 pixels too.
class TGrid {
public:
    explicit TGrid(int size) : K_(size / 16.0) {}

    double At(double v) const { return std::round(v * K_); }
    QRectF Rect(double x, double y, double w, double h) const {
        return {At(x), At(y), At(x + w) - At(x), At(y + h) - At(y)};
    }
    // At least one pixel, so thin parts never vanish at 16 pixels.
    double Width(double w) const { return std::max(1.0, std::round(w * K_)); }
    QPointF Point(double x, double y) const { return {x * K_, y * K_}; }

private:
    double K_;
};

QPainterPath Ellipse(const QRectF& r) {
    QPainterPath path;
    path.addEllipse(r);
    return path;
}

// A thick straight stroke as a fillable outline.
QPainterPath Bar(const TGrid& g, QPointF from, QPointF to, double width) {
    QPainterPath line;
    line.moveTo(g.Point(from.x(), from.y()));
    line.lineTo(g.Point(to.x(), to.y()));
    QPainterPathStroker stroker;
    stroker.setWidth(g.Width(width));
    stroker.setCapStyle(Qt::FlatCap);
    return stroker.createStroke(line);
}

// A shape with an outline that lies outside it.
void FillOutlined(QPainter& p, const QPainterPath& shape, const QColor& fill, const QColor& outline,
                  double outlineWidth) {
    p.strokePath(shape,
                 QPen(outline, 2 * outlineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.fillPath(shape, fill);
}

// A letter as one outline, its corners on whole pixels. Points are given on a 12-unit-high
// letter whose top-left corner is (0, 0).
QPainterPath Letter(const TGrid& g, std::initializer_list<QPointF> points, double left, double top,
                    double height) {
    const double k = height / 12;
    QPolygonF outline;
    for (const QPointF& pt : points)
        outline << QPointF(g.At(left + pt.x() * k), g.At(top + pt.y() * k));
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    return path;
}

// The program's letter mark.
QPainterPath LetterK(const TGrid& g, double left, double top, double height) {
    return Letter(g,
                  {{0, 0},
                   {3, 0},
                   {3, 5},
                   {7, 0},
                   {10.8, 0},
                   {5.6, 6},
                   {11, 12},
                   {7.2, 12},
                   {3, 7.3},
                   {3, 12},
                   {0, 12}},
                  left, top, height);
}

QPainterPath LetterH(const TGrid& g, double left, double top, double height) {
    return Letter(g,
                  {{0, 0},
                   {3, 0},
                   {3, 4.5},
                   {7, 4.5},
                   {7, 0},
                   {10, 0},
                   {10, 12},
                   {7, 12},
                   {7, 7.5},
                   {3, 7.5},
                   {3, 12},
                   {0, 12}},
                  left, top, height);
}

// Flat face in a 16-colour look: a shaded disc with sunglasses and a mouth.
void DrawSmiley(QPainter& p, const TGrid& g, const QColor& face, const QColor& shade,
                bool smiling) {
    p.fillPath(Ellipse(g.Rect(0, 0, 16, 16)), Qt::black);
    const QPainterPath inner = Ellipse(g.Rect(1, 1, 14, 14));
    p.fillPath(inner, shade);
    p.save();
    p.setClipPath(inner);
    p.fillPath(Ellipse(g.Rect(0.5, 0.5, 13.5, 13.5)), face);
    p.restore();

    // Sunglasses: a frame bar, two lenses with a glint each.
    p.fillRect(g.Rect(2, 5, 12, 1), Qt::black);
    QPainterPath lenses;
    lenses.addRoundedRect(g.Rect(3, 5, 4, 3), g.Width(1), g.Width(1));
    lenses.addRoundedRect(g.Rect(9, 5, 4, 3), g.Width(1), g.Width(1));
    p.fillPath(lenses, Qt::black);
    p.fillRect(g.Rect(4, 6, 1, 1), Qt::white);
    p.fillRect(g.Rect(10, 6, 1, 1), Qt::white);

    QPainterPath mouth;
    if (smiling) {
        mouth.moveTo(g.Point(4.5, 10));
        mouth.quadTo(g.Point(8, 13.5), g.Point(11.5, 10));
    } else {
        mouth.moveTo(g.Point(5, 12.5));
        mouth.quadTo(g.Point(8, 9.5), g.Point(11, 12.5));
    }
    p.strokePath(mouth, QPen(Qt::black, g.Width(1.2), Qt::SolidLine, Qt::RoundCap));
}

// Round glossy badge with the white letter mark.
void DrawBadge(QPainter& p, const TGrid& g, const QColor& light, const QColor& dark,
               const QColor& rim) {
    p.fillPath(Ellipse(g.Rect(0, 0, 16, 16)), rim);
    const QRectF inner = g.Rect(1, 1, 14, 14);
    QLinearGradient body(inner.topLeft(), inner.bottomLeft());
    body.setColorAt(0, light);
    body.setColorAt(1, dark);
    p.fillPath(Ellipse(inner), body);
    p.fillPath(Ellipse(g.Rect(3, 1.5, 10, 5.5)), QColor(255, 255, 255, 80));
    p.fillPath(LetterK(g, 4.5, 3.5, 9), Qt::white);
}

// The RQ set: a white outlined letter crossed by a coloured diagonal bar.
void DrawCrossedMark(QPainter& p, const TGrid& g, bool letterH, const QColor& bar,
                     const QColor& barOutline) {
    const double outline = g.Width(1);
    const QPainterPath letter = letterH ? LetterH(g, 2, 2, 12) : LetterK(g, 2, 2, 12);
    FillOutlined(p, letter, Qt::white, Qt::black, outline);
    FillOutlined(p, Bar(g, {6, 15.5}, {15.5, 6}, 2.5), bar, barOutline, outline);
}

} // namespace

QPixmap Picture(std::string_view name, int size) {
    if (size < 1) return {};
    const bool known =
        std::find(PictureNames.begin(), PictureNames.end(), name) != PictureNames.end();
    if (!known) return {};

    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const TGrid g(size);

    const QColor green(0, 255, 0), darkGreen(0, 128, 0), red(255, 0, 0), darkRed(128, 0, 0);
    if (name == "SMILEYCONNECTED") {
        DrawSmiley(p, g, QColor(0, 255, 255), QColor(0, 128, 128), true);
    } else if (name == "SMILEYDISCONNECTED") {
        DrawSmiley(p, g, red, darkRed, false);
    } else if (name == "XPSMILEYCONNECTED") {
        DrawBadge(p, g, QColor(96, 160, 240), QColor(16, 64, 176), QColor(8, 32, 96));
    } else if (name == "XPSMILEYDISCONNECTED") {
        DrawBadge(p, g, QColor(240, 104, 96), QColor(168, 16, 16), QColor(88, 0, 0));
    } else if (name == "ZCGREEN" || name == "ZCGREENH") {
        DrawCrossedMark(p, g, name == "ZCGREENH", green, darkGreen);
    } else {
        DrawCrossedMark(p, g, name == "ZCREDH", red, darkRed);
    }
    return pixmap;
}

QPixmap ProcessorUsagePicture(const QString& text, int size, const QColor& background) {
    if (size < 1) return {};
    QPixmap pixmap(size, size);
    pixmap.fill(background);
    // 8 points on the 96 dpi screen the 16-pixel picture was laid out for.
    const double scale = size / 16.0;
    QFont font("Tahoma");
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(8.0 * 96 / 72 * scale))));
    QPainter p(&pixmap);
    p.setFont(font);
    p.setPen(Qt::black);
    const QPoint origin(static_cast<int>(std::lround(3 * scale)),
                        static_cast<int>(std::lround(1 * scale)));
    // The text may run past the right edge ("010"); the picture cuts it as the tray would.
    p.drawText(QRect(origin, QSize(4 * size, 4 * size)), Qt::AlignLeft | Qt::AlignTop, text);
    return pixmap;
}

QIcon PictureIcon(std::string_view name) {
    QIcon icon;
    for (int size : TrayIconSizes) {
        const QPixmap pixmap = Picture(name, size);
        if (pixmap.isNull()) return {};
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace keltrix
