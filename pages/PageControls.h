// Building blocks shared by the three pages: controls placed at their template position (dialog
// units of the page's font) and named by their template id (ControlName), and the F1 help key.
#pragma once

#include <QString>
#include <Qt>
#include <string_view>

class IPageHost;
class QGroupBox;
class QLabel;
class QWidget;

// Instrument text as shown, byte for byte: Latin-1 maps every byte to one character.
QString InstrumentText(std::string_view text);

// A template rectangle in dialog units.
struct Dlu {
    int x, y, w, h;
};

// Gives the page its template size (262 x 156 dialog units) as its minimum size.
void SizePage(QWidget* page);

// Names the control (no name for a control without id), places it on its parent page and sets its
// tooltip when one is given.
void PlaceControl(QWidget* control, const QString& name, Dlu rect, const QString& toolTip = QString());

QLabel* AddLabel(QWidget* page, const QString& name, const QString& text, Dlu rect,
                 Qt::Alignment align = Qt::AlignLeft);
QGroupBox* AddGroup(QWidget* page, const QString& name, const QString& title, Dlu rect,
                    Qt::Alignment align = Qt::AlignLeft);
// A bordered value box (CValueBox), empty at first.
QLabel* AddValueBox(QWidget* page, const QString& name, Dlu rect, Qt::Alignment align, const QString& toolTip);

// F1 anywhere on the page opens the operator's manual at the page's keyword. The key is claimed
// ahead of any window-wide shortcut, so the page's topic wins over the main window's.
void InstallHelpKey(QWidget* page, IPageHost& host, const QString& keyword);

