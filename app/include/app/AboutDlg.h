// CAboutDlg: the "About Corvane" box with the program's version, build time and the maker's
// web address as a link.
#pragma once

#include <QDialog>
#include <QString>

class CStaticLink;
class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // "Version <version>, <build time>, <build date>".
    const QString& VersionLine() const { return m_strVersion; }
    CStaticLink& Link() { return *m_link; }

private:
    CStaticLink* m_link = nullptr;
    QLabel* m_version = nullptr;
    QString m_strVersion;
};
