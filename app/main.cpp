// Corvane: acquisition program for an integrating nephelometer on a serial port.
#include <signal.h>
#include <unistd.h>

#include <QApplication>

#include "app/CommandLine.h"
#include "app/CorvaneApp.h"
#include "app/Version.h"
#include "control/CorvanePropertySheet.h"
#include "station/EventJournal.h"
#include "pages/Icons.h"

int main(int argc, char** argv) {
    // Standard error may be a pipe whose reader has gone (corvane --start --headless 2>&1 | head), and
    // Qt and the libraries write there: a write must fail, not end the program in the middle of a run.
    signal(SIGPIPE, SIG_IGN);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine options;
    if (const std::optional<int> status = ParseCommandLine(arguments, options)) return *status;
    // Headless needs no display: Qt's offscreen platform, chosen before the application exists.
    if (options.bHeadless) qputenv("QT_QPA_PLATFORM", "offscreen");

    // The link's notification type exists before the application object, as the link needs it.
    CCorvanePropertySheet::CommEventType();

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QString::fromLatin1(GetVersionString()));
    QApplication::setWindowIcon(IconFor(IconId::Application));

    JournalEvent("started", std::string("Corvane ") + GetVersionString() + ", pid " + std::to_string(getpid()) +
                                (options.bStart ? options.bHeadless ? ", --start --headless" : ", --start" : ""));
    CCorvaneApp app(options);
    app.InitInstance();
    JournalEvent("stopped", "exit status " + std::to_string(app.ExitStatus()));
    return app.ExitStatus();
}
