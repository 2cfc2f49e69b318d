// CStaticLink: a label that works as a web link. Underlined, blue until opened and purple after a
// successful open, with a pointing-hand cursor; a click opens its target with the desktop's handler.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <QUrl>
#include <functional>

class CStaticLink : public QLabel {
    Q_OBJECT
public:
    explicit CStaticLink(QWidget* parent = nullptr);
    ~CStaticLink() override;

    // Opens a URL and reports whether it worked; QDesktopServices::openUrl unless a test replaces it.
    std::function<bool(const QUrl&)> m_openUrl;

    // Opens the target, taking the label's text as the target on the first click.
    void Open();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ShowColour();

    const QColor m_crVisited{128, 0, 128};
    const QColor m_crUnvisited{0, 0, 255};
    bool m_bClicked = false;
    QString m_strTarget;
};
