// CHelpWindow: the operator's manual in a window beside the main window, opened at a section.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    // owner: the main window; the help window is a window of its own but lives and dies with it.
    explicit CHelpWindow(QWidget* owner);

    // Shows the manual at the section with this anchor, or at its contents when the anchor is empty.
    void ShowSection(const QString& anchor);

private:
    QTextBrowser* m_browser = nullptr;
};
