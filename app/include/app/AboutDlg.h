// CAboutDlg: the "About Corvane" box with the program's version, build time and the maker's
// web address as a link.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // The version line reads "Version <version>, <build time>, <build date>".
    explicit CAboutDlg(QWidget* parent = nullptr);
};
