// The documentation's pictures, each set taken from the real main window on the simulator.
#pragma once

#include <QDir>

class QWidget;

// Grabs the widget into folder/name once pending events are handled; false when it cannot be written.
bool SaveShot(QWidget& widget, const QDir& folder, const char* name);

// The Setup, Data and Communications pages, the about box and the help window.
bool TakePageShots(const QDir& folder);
// The Trend tab and its separate window after a day of simulator data (about a minute).
bool TakeTrendShots(const QDir& folder);
