// Value boxes: frame, padding and a font that fits the value.
#include "ValueBox.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>

namespace {

constexpr int kPadding = 2;        // pixels between the frame and the text
constexpr double kMinScale = 0.5;  // below this the text would be unreadable: it is cut instead
constexpr double kScaleStep = 0.95;

bool Fits(const QFont& font, const QString& text, int width) {
    return QFontMetricsF(font).horizontalAdvance(text) <= width;
}

}  // namespace

QFont FittingFont(const QFont& base, const QString& text, int width) {
    if (Fits(base, text, width)) return base;
    const bool inPoints = base.pointSizeF() > 0;
    const double baseSize = inPoints ? base.pointSizeF() : base.pixelSize();
    QFont font = base;
    // Glyph widths do not scale exactly with the size (hinting), so the size steps down until the
    // text fits.
    for (double size = baseSize * kScaleStep; size >= baseSize * kMinScale; size *= kScaleStep) {
        if (inPoints) {
            font.setPointSizeF(size);
        } else {
            font.setPixelSize(static_cast<int>(size));
        }
        if (Fits(font, text, width)) break;
    }
    return font;
}

CValueBox::CValueBox(QWidget* parent, Qt::Alignment align) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAlignment(align | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
}

void CValueBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(kPadding, 0, -kPadding, 0);
    painter.setFont(FittingFont(font(), text(), area.width()));
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(), text(),
                          foregroundRole());
}
