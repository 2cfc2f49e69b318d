// Corvane: acquisition program for an integrating nephelometer on a serial port.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <memory>

#include "app/CommandLine.h"
#include "app/CorvaneApp.h"
#include "app/Version.h"
#include "pages/Icons.h"
#include "station/EventJournal.h"

int main(int argc, char** argv) {
    // Standard error may be a pipe whose reader has gone (corvane --start --headless 2>&1 | head), and
    // Qt and the libraries write there: a write must fail, not end the program in the middle of a run.
    signal(SIGPIPE, SIG_IGN);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine options;
    if (const std::optional<int> status = ParseCommandLine(arguments, options)) return *status;

    // Headless, no widget is ever made: no display, no platform plug-in, no window code loaded.
    const std::unique_ptr<QCoreApplication> application =
        options.bHeadless ? std::make_unique<QCoreApplication>(argc, argv) : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(GetVersionString()));
    if (!options.bHeadless) QApplication::setWindowIcon(IconFor(IconId::Application));

    JournalEvent("started", std::string("Corvane ") + GetVersionString() + ", pid " + std::to_string(getpid()) +
                                (options.bStart ? options.bHeadless ? ", --start --headless" : ", --start" : ""));
    CCorvaneApp app(options);
    app.InitInstance();
    JournalEvent("stopped", "exit status " + std::to_string(app.ExitStatus()));
    return app.ExitStatus();
}
