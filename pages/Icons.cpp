// The icons drawn from the SVG files compiled into the library, so that they need no image
// plug-in at run time.
#include "pages/Icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

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

}  // namespace

QIcon IconFor(IconId id) {
    const char* path = SvgPathFor(id);
    if (path == nullptr) return QIcon();
    QSvgRenderer renderer{QString::fromLatin1(path)};
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
