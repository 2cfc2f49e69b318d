// CCorvaneCommSetupPage: the "Communications" tab. Lists the serial ports that open, tests the
// selected one and opens it for every operation that needs the instrument.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class CLinkLender;
class CParentMenuTextEdit;
class CSerialLink;
class IPageHost;
class QListWidget;
class QPushButton;

class CCorvaneCommSetupPage : public QWidget {
    Q_OBJECT
public:
    CCorvaneCommSetupPage(IPageHost& host, CLinkLender& link, QWidget* parent = nullptr);

    // Opens the selected port on the leased link at the instrument's rate; a port that answers is
    // remembered for unattended starts. False with an operator text on failure; the text is left
    // untouched when no entry is selected.
    bool OpenSelectedPort(CSerialLink& link, QString& errorText);
    void EnablePageControls(bool enable);
    // The port list's selection (-1 for none), as stored in COMM_PORT.
    int SelectedIndex() const;
    // The selected entry's Com port number; 0 for none.
    std::uint16_t SelectedPort() const;
    void SelectIndex(int index);
    int PortCount() const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildControls();
    void ListOpenablePorts();
    void OnTest();

    CLinkLender& m_link;
    QListWidget* m_lstPorts = nullptr;
    QPushButton* m_btnTest = nullptr;
    CParentMenuTextEdit* m_editResult = nullptr;
};
