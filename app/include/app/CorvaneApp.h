// CCorvaneApp: the application object. It holds the one serial link and the run core, and runs the
// main window modally for the whole life of the program, or, headless, the run core alone without
// any widget.
#pragma once

#include "app/CommandLine.h"
#include "control/JournaledDialogs.h"
#include "control/OperatorDialogs.h"
#include "serial/LinkLease.h"
#include "serial/SerialLink.h"

class CRunCore;
class CStationServices;

class CCorvaneApp {
public:
    explicit CCorvaneApp(const CommandLine& options = {}) : m_options(options) {}

    // Runs the main window until the operator closes it, or a stop signal ends the run; headless,
    // runs the stored run until a stop signal ends it. Returns false: the program then ends,
    // without an event loop of its own.
    bool InitInstance();

    CSerialLink& Link() { return m_link; }
    // The program's exit status: 0, or 1 when an unattended start found no Com port to use.
    int ExitStatus() const { return m_nExitStatus; }

private:
    void RunWindow(CRunCore& core, CStationServices& services);
    void RunHeadless(CRunCore& core, CStationServices& services);

    CommandLine m_options;
    CSerialLink m_link;
    CLinkLender m_lender{m_link};
    QtOperatorDialogs m_dialogs;
    int m_nExitStatus = 0;
};
