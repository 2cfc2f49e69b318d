// Icon resources drawn from the SVG files compiled into the library, so that they need no image
// plug-in at run time.
#include "pages/Icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "records/Status.h"

namespace {

const char* SvgPathFor(std::uint16_t resourceId) {
    switch (resourceId) {
        case kIconApplication:
            return ":/icons/application.svg";
        case kIconRedDisc:
            return ":/icons/red-disc.svg";
        case kIconGreenDisc:
            return ":/icons/green-disc.svg";
        case kIconRedLamp:
            return ":/icons/red-lamp.svg";
        default:
            return nullptr;
    }
}

}  // namespace

QIcon IconForResource(std::uint16_t resourceId) {
    const char* path = SvgPathFor(resourceId);
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
