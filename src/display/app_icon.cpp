#include "display/app_icon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <memory>

// The resource lives in a static library: registered by name, or the linker drops it.
static void RegisterIconResource() {
    Q_INIT_RESOURCE(keltrix_icon);
}

namespace keltrix {
namespace {

const QString IconFile = QStringLiteral(":/keltrix/keltrix.svg");

class TSvgIconEngine : public QIconEngine {
public:
    explicit TSvgIconEngine(std::shared_ptr<QSvgRenderer> renderer)
        : Renderer_(std::move(renderer)) {}

    // Vector drawing straight onto the painter's device: crisp at its pixel ratio.
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        Renderer_->render(painter, QRectF(rect));
    }

    // Also what QIcon asks for dense screens: it passes the size in device pixels.
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        QPixmap picture(size);
        if (picture.isNull()) return picture;
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        Renderer_->render(&painter, QRectF(picture.rect()));
        return picture;
    }

    // The sizes the window manager is given in _NET_WM_ICON.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}};
    }

    QString key() const override { return QStringLiteral("KeltrixSvgIconEngine"); }
    QIconEngine* clone() const override { return new TSvgIconEngine(Renderer_); }
    bool isNull() override { return !Renderer_->isValid(); }

private:
    std::shared_ptr<QSvgRenderer> Renderer_;
};

} // namespace

QIcon KeltrixIcon() {
    static const QIcon icon = [] {
        RegisterIconResource();
        return QIcon(new TSvgIconEngine(std::make_shared<QSvgRenderer>(IconFile)));
    }();
    return icon;
}

} // namespace keltrix
