// CCorvaneApp: the application object. It holds the one serial link and runs the main window
// modally for the whole life of the program, or, headless, the same window's work without showing it.
#pragma once

#include "app/CommandLine.h"
#include "control/JournaledDialogs.h"
#include "control/OperatorDialogs.h"
#include "serial/SerialLink.h"

class CCorvaneApp {
public:
    explicit CCorvaneApp(const CommandLine& options = {}) : m_options(options) {}

    // Runs the main window until the operator closes it, or a stop signal ends the run. Returns
    // false: the program then ends, without an event loop of its own.
    bool InitInstance();

    CSerialLink& Link() { return m_link; }
    // The program's exit status: 0, or 1 when an unattended start found no Com port to use.
    int ExitStatus() const { return m_nExitStatus; }

private:
    CommandLine m_options;
    CSerialLink m_link;
    QtOperatorDialogs m_dialogs;
    CHeadlessDialogs m_headlessDialogs;
    int m_nExitStatus = 0;
};
