// corvane-render-icon SVG PNG SIZE: draws the SVG file as a SIZE x SIZE PNG with a transparent
// background, for the icon theme's fixed-size folders. Runs at build time.
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: corvane-render-icon SVG PNG SIZE\n", stderr);
        return 2;
    }
    const int size = std::atoi(argv[3]);
    if (size < 1 || size > 1024) {
        std::fprintf(stderr, "corvane-render-icon: bad size \"%s\"\n", argv[3]);
        return 2;
    }
    // Drawing shapes into an image needs neither a display nor an application object.
    QSvgRenderer renderer{QString::fromLocal8Bit(argv[1])};
    if (!renderer.isValid()) {
        std::fprintf(stderr, "corvane-render-icon: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "corvane-render-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
