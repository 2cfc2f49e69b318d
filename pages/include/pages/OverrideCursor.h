// OverrideCursor: one cursor over the whole application for as long as it lives — the busy cursor
// while a blocking command sequence runs, the arrow while a box asks the operator inside one.
#pragma once

#include <QApplication>

class OverrideCursor {
public:
    explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor&) = delete;
    OverrideCursor& operator=(const OverrideCursor&) = delete;
};
