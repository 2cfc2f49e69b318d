// Dialog units to pixels.
#include "pages/DialogUnits.h"

#include <QHash>
#include <QString>
#include <QWidget>
#include <cmath>

namespace {

// The average character width as dialog layout defines it: the mean advance of the 52 letters,
// which depends less on a font's rarely used wide glyphs than QFontMetrics::averageCharWidth().
// Measuring them lays the text out; a page places dozens of controls in one font, so each font is
// measured once at each resolution.
double AverageCharWidth(const QWidget& widget) {
    static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    static QHash<QString, double> measured;
    const QString key = widget.font().key() + u'@' + QString::number(widget.logicalDpiY());
    auto found = measured.constFind(key);
    if (found == measured.constEnd())
        found = measured.insert(key, widget.fontMetrics().horizontalAdvance(kLetters) / 52.0);
    return *found;
}

int Scale(int units, double base, int divisor) {
    return static_cast<int>(std::lround(units * base / divisor));
}

}  // namespace

QRect DialogRect(const QWidget& widget, int x, int y, int w, int h) {
    const double baseX = AverageCharWidth(widget);
    const double baseY = widget.fontMetrics().height();
    // Both edges are scaled, so that adjacent rectangles stay adjacent after rounding.
    const int left = Scale(x, baseX, 4);
    const int top = Scale(y, baseY, 8);
    return QRect(QPoint(left, top), QPoint(Scale(x + w, baseX, 4) - 1, Scale(y + h, baseY, 8) - 1));
}
