// COverrideCursor: one cursor over the whole application for as long as it lives: the busy
// cursor while a blocking command sequence runs, the arrow while a box asks the operator inside one.
#pragma once

#include <QApplication>

class COverrideCursor {
public:
    explicit COverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~COverrideCursor() { QApplication::restoreOverrideCursor(); }
    COverrideCursor(const COverrideCursor&) = delete;
    COverrideCursor& operator=(const COverrideCursor&) = delete;
};
