// CAboutDlg: the "About Corvane" box with the program's version, build time and the maker's
// web address as a link.
#pragma once

#include <QDialog>

// Template ids of the box's controls.
enum class AboutBoxId {
    Ok = 1,
    Version = 1103,
    WebLink = 1104,
};

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // The version line reads "Version <version>, <build time>, <build date>".
    explicit CAboutDlg(QWidget* parent = nullptr);
};
