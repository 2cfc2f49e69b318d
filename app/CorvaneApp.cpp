// Start of the main window.
#include "app/CorvaneApp.h"

#include "app/AboutDlg.h"
#include "control/CorvanePropertySheet.h"

bool CCorvaneApp::InitInstance() {
    m_link.SetCommEventMessage(static_cast<std::uint32_t>(CCorvanePropertySheet::CommEventType()));
    CCorvanePropertySheet sheet(m_link, m_dialogs);
    sheet.SetAboutBox([&sheet] {
        CAboutDlg about(&sheet);
        about.exec();
    });
    sheet.exec();
    return false;
}
