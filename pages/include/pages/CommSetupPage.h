// CCorvaneCommSetupPage: the "Communications" tab. Lists the serial ports that open, tests the
// selected one and opens it for every operation that needs the instrument.
#pragma once

#include <QString>
#include <QWidget>

class CSerialLink;
class IPageHost;

class CCorvaneCommSetupPage : public QWidget {
    Q_OBJECT
public:
    CCorvaneCommSetupPage(IPageHost& host, CSerialLink& link, QWidget* parent = nullptr);

    // Opens the selected port at 9600 baud. False with an operator text on failure; the text is
    // left untouched when no entry is selected.
    bool OpenSelectedPort(QString& errorText);
    void EnablePageControls(bool enable);
    // The port list's selection (-1 for none), as stored in COMM_PORT.
    int SelectedIndex() const;
    void SelectIndex(int index);
    int PortCount() const;

    // The private part belongs to the implementation. Controls carry their template id as their
    // object name ("1029", "1004", "1013").
};
