// The program's command line, with Qt's parser.
#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <cstdio>

#include "app/Version.h"
#include "station/ClockKeeping.h"

namespace {
constexpr int kUsageError = 2;

// Qt names the program only once the application object exists, which is later.
QString HelpText(const QCommandLineParser& parser) {
    return parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("corvane"));
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int UsageError(const QCommandLineParser& parser, const QString& error) {
    Print(stderr, QStringLiteral("corvane: %1\n").arg(error));
    Print(stderr, HelpText(parser));
    return kUsageError;
}
}  // namespace

std::optional<int> ParseCommandLine(const QStringList& arguments, CommandLine& out) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Acquisition for an integrating nephelometer on a serial port."));
    // Qt's own help option would offer Qt's options too, which are not taken: the arguments are
    // parsed before the application object.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption start(
        QStringLiteral("start"),
        QStringLiteral("Start a data run at once with the stored settings, asking nothing; wait for "
                       "the instrument when it does not answer."));
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("With --start: no window and no display; boxes are answered to keep the run "
                       "going and written to the journal. SIGTERM, SIGINT or SIGHUP stop the run."));
    const QCommandLineOption keepClock(
        QStringLiteral("keep-clock"),
        QStringLiteral("Set the instrument's clock to this PC's, when the PC's clock is synchronised, "
                       "whenever it is more than N seconds off (%1 to %2); 0 leaves it alone.")
            .arg(kMinKeepSeconds)
            .arg(kMaxKeepSeconds),
        QStringLiteral("N"));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral(
            "Serve the status page, /status.json and /metrics on ADDR:PORT (default 127.0.0.1:%1), "
            "or not at all with 'off'. An address other than loopback lets anyone who can reach it "
            "read the station's state.")
            .arg(kDefaultHealthPort),
        QStringLiteral("ADDR:PORT|off"));
    const QCommandLineOption metricsFile(
        QStringLiteral("metrics-file"),
        QStringLiteral(
            "Write the metrics to PATH every 15 s, replacing it whole, for node-exporter's textfile "
            "collector (which reads files ending in .prom)."),
        QStringLiteral("PATH"));
    parser.addOption(start);
    parser.addOption(headless);
    parser.addOption(listen);
    parser.addOption(metricsFile);
    parser.addOption(keepClock);

    if (!parser.parse(arguments)) return UsageError(parser, parser.errorText());
    if (parser.isSet(help)) {
        Print(stdout, HelpText(parser));
        return 0;
    }
    if (parser.isSet(version)) {
        Print(stdout, QStringLiteral("corvane %1\n").arg(QString::fromLatin1(GetVersionString())));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return UsageError(parser, QStringLiteral("unexpected argument '%1'.").arg(parser.positionalArguments().front()));
    out.bStart = parser.isSet(start);
    out.bHeadless = parser.isSet(headless);
    if (out.bHeadless && !out.bStart) return UsageError(parser, QStringLiteral("--headless needs --start."));
    if (parser.isSet(keepClock)) {
        bool isNumber = false;
        const uint seconds = parser.value(keepClock).toUInt(&isNumber);
        if (!isNumber || (seconds > 0 && seconds < kMinKeepSeconds) || seconds > kMaxKeepSeconds)
            return UsageError(parser,
                              QStringLiteral("--keep-clock takes 0 (off) or %1 to %2 seconds, not '%3'.")
                                  .arg(kMinKeepSeconds)
                                  .arg(kMaxKeepSeconds)
                                  .arg(parser.value(keepClock)));
        out.keepClockSeconds = seconds;
    }
    if (parser.isSet(listen)) {
        QString error;
        out.listen = ParseListenSetting(parser.value(listen), error);
        if (!out.listen) return UsageError(parser, QStringLiteral("--listen: %1").arg(error));
    }
    out.strMetricsFile = parser.value(metricsFile).toStdString();
    return std::nullopt;
}
