// Dialog units to pixels.
#include "pages/DialogUnits.h"

#include <QString>
#include <cmath>

namespace {

// The average character width as dialog layout defines it: the mean advance of the 52 letters,
// which depends less on a font's rarely used wide glyphs than QFontMetrics::averageCharWidth().
double AverageCharWidth(const QFontMetrics& metrics) {
    static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return metrics.horizontalAdvance(kLetters) / 52.0;
}

int Scale(int units, double base, int divisor) {
    return static_cast<int>(std::lround(units * base / divisor));
}

}  // namespace

QRect DialogRect(const QFontMetrics& metrics, int x, int y, int w, int h) {
    const double baseX = AverageCharWidth(metrics);
    const double baseY = metrics.height();
    // Both edges are scaled, so that adjacent rectangles stay adjacent after rounding.
    const int left = Scale(x, baseX, 4);
    const int top = Scale(y, baseY, 8);
    return QRect(QPoint(left, top), QPoint(Scale(x + w, baseX, 4) - 1, Scale(y + h, baseY, 8) - 1));
}
