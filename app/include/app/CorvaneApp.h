// CCorvaneApp: the application object. It holds the one serial link and runs the main window
// modally for the whole life of the program.
#pragma once

#include "control/OperatorDialogs.h"
#include "serial/SerialLink.h"

class CCorvaneApp {
public:
    // Runs the main window until the operator closes it. Returns false: the program then ends,
    // without an event loop of its own.
    bool InitInstance();

    CSerialLink& Link() { return m_link; }

private:
    CSerialLink m_link;
    QtOperatorDialogs m_dialogs;
};
