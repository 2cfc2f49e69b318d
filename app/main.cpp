// Corvane: acquisition program for an integrating nephelometer on a serial port.
#include <QApplication>

#include "app/CorvaneApp.h"
#include "app/Version.h"
#include "control/CorvanePropertySheet.h"
#include "pages/Icons.h"

int main(int argc, char** argv) {
    // The link's notification type exists before the application object, as the link needs it.
    CCorvanePropertySheet::CommEventType();

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QString::fromLatin1(GetVersionString()));
    QApplication::setWindowIcon(IconFor(IconId::Application));

    CCorvaneApp app;
    app.InitInstance();
    return 0;
}
