// The icons drawn from the SVG files compiled into the library, so that they need no image
// plug-in at run time. Each size is drawn when it is first asked for, not at start-up.
#include "pages/Icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <map>
#include <utility>

namespace {

const char* SvgPathFor(IconId id) {
    switch (id) {
        case IconId::Application:
            return ":/icons/application.svg";
        case IconId::RedDisc:
            return ":/icons/red-disc.svg";
        case IconId::GreenDisc:
            return ":/icons/green-disc.svg";
        case IconId::RedLamp:
            return ":/icons/red-lamp.svg";
    }
    return nullptr;
}

// Draws its SVG file at the size asked and keeps each drawing. The sizes it names as available are
// those a window manager is given for the window icon.
class CSvgIconEngine : public QIconEngine {
public:
    explicit CSvgIconEngine(QString path) : m_path(std::move(path)) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        QPixmap& drawn = m_drawn[{size.width(), size.height()}];
        if (drawn.isNull()) drawn = Draw(size);
        if (mode == QIcon::Normal) return drawn;
        // Disabled and selected looks are made by the style, as for any icon made of pixmaps.
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, drawn, &option);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device()->devicePixelRatioF();
        painter->drawPixmap(rect, pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state));
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {{16, 16}, {20, 20}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }

    QString key() const override { return QStringLiteral("CSvgIconEngine"); }
    QIconEngine* clone() const override { return new CSvgIconEngine(*this); }

private:
    QPixmap Draw(const QSize& size) const {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        QSvgRenderer(m_path).render(&painter);
        return pixmap;
    }

    QString m_path;
    std::map<std::pair<int, int>, QPixmap> m_drawn;
};

}  // namespace

QIcon IconFor(IconId id) {
    const char* path = SvgPathFor(id);
    if (path == nullptr) return QIcon();
    return QIcon(new CSvgIconEngine(QString::fromLatin1(path)));
}
