// Placement in dialog units: the pages and the main window are laid out in units of the dialog
// font (x in quarters of the average character width, y in eighths of the line height).
#pragma once

#include <QRect>

class QWidget;

// Size of every page, in dialog units.
inline constexpr int kPageWidthDlu = 262;
inline constexpr int kPageHeightDlu = 156;

// The rectangle (x, y, w, h) given in dialog units, in pixels for the widget's font.
QRect DialogRect(const QWidget& widget, int x, int y, int w, int h);
