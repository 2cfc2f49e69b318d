// The pages' edit controls hand their context-menu request on to the parent page.
#include "pages/ParentMenuEdit.h"

#include <QContextMenuEvent>

// An ignored context-menu event travels on to the parent widget, which decides (the pages show
// nothing).
void CParentMenuEdit::contextMenuEvent(QContextMenuEvent* event) {
    event->ignore();
}

void CParentMenuTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    event->ignore();
}
