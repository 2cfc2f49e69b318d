// The web link label of the about box.
#include "app/StaticLink.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPalette>

CStaticLink::CStaticLink(QWidget* parent) : QLabel(parent), m_openUrl(&QDesktopServices::openUrl) {
    // Only the underline is set here; the rest of the font follows the parent's.
    QFont underlined;
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    // Plain text only: the label's text is an address, never markup.
    setTextFormat(Qt::PlainText);
    ShowColour();
}

CStaticLink::~CStaticLink() = default;

void CStaticLink::Open() {
    if (m_strTarget.isEmpty()) m_strTarget = text();
    if (!m_openUrl(QUrl::fromUserInput(m_strTarget))) {
        // A failed open leaves the link unvisited, so the next click tries again.
        QApplication::beep();
        return;
    }
    m_bClicked = true;
    ShowColour();
}

void CStaticLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Open();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CStaticLink::ShowColour() {
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, m_bClicked ? m_crVisited : m_crUnvisited);
    setPalette(colours);
}
