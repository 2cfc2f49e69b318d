// corvane-health-station: the health server as the program runs it, fed by a simulated station: a
// run state of its own and a publisher on a real record stream that sends T, D and Y records every
// second, after a day of one D record a minute for the chart. For the status page's browser test,
// its screenshot and a look at the page without an instrument. Prints "listening PORT" once it
// listens; runs until its standard input closes.
//
//   corvane-health-station [--port N]
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "health/HealthServer.h"
#include "run/RecordStream.h"
#include "station/EventJournal.h"

namespace {

using Clock = std::chrono::system_clock;

// Coefficients that move slowly over the day, different per wavelength; step counts seconds.
std::string DataLine(double step) {
    char line[160];
    const double base = 20 + 8 * std::sin(step / 9000.0);
    std::snprintf(line, sizeof line, "D,N,%d,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f",
                  300 - static_cast<int>(step) % 300, base * 1.6, base * 1.2, base, base * 0.16, base * 0.13,
                  base * 0.11);
    return line;
}

std::string TimeLine(Clock::time_point when) {
    const std::time_t t = Clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char line[64];
    std::strftime(line, sizeof line, "T,%Y,%m,%d,%H,%M,%S", &local);
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype portAt = args.indexOf(QStringLiteral("--port"));

    CRecordStream stream;
    const Clock::time_point started = Clock::now();
    std::mutex journalLock;
    std::vector<std::string> journal = {
        "2026-12-06T08:01:12+01:00 started Corvane, pid 812, --start --headless",
        "2026-12-06T08:01:12+01:00 reconnect-failed Com1: no device, or it is in use; trying every 2 s",
        "2026-12-06T08:03:40+01:00 run-started Com1, logging to /srv/neph/CV261206.dat",
    };
    HealthSources sources;
    sources.runStatus = [started] {
        RunStatus status;
        status.state = RunState::Running;
        status.since = started;
        status.port = 1;
        status.device = "/dev/ttyUSB0";
        status.connected = true;
        status.logging = true;
        status.logFile = "/srv/neph/CV261206.dat";
        status.lastLogSync = Clock::now();
        return status;
    };
    sources.records = &stream;
    sources.journalLines = [&](std::size_t count) {
        const std::lock_guard lock(journalLock);
        return std::vector<std::string>(journal.end() - std::min(count, journal.size()), journal.end());
    };
    sources.journalCounts = [] {
        return std::vector<std::pair<std::string, std::uint64_t>>{{"started", 1}, {"run-started", 1}};
    };
    sources.journal = [&](std::string_view word, std::string_view details) {
        const std::lock_guard lock(journalLock);
        journal.push_back(JournalLine(std::time(nullptr), word, details));
    };
    HealthOptions options;
    options.listen.port = portAt >= 0 && portAt + 1 < args.size() ? args[portAt + 1].toUShort() : 0;
    CHealthServer server(sources, options);

    // A day of one D record a minute, then the live records.
    RecordBatch history;
    for (int minute = 24 * 60; minute > 0; --minute) {
        const Clock::time_point when = started - std::chrono::minutes(minute);
        history.push_back(MakeReceivedRecord(
            DataLine(std::chrono::duration<double>(when - started).count() + 86400), when));
    }
    const std::optional<quint16> port = server.Start();
    if (!port) return 1;
    stream.Publish(std::move(history));
    std::printf("listening %u\n", *port);
    std::fflush(stdout);

    QTimer every;
    QObject::connect(&every, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        const double step = std::chrono::duration<double>(now - started).count() + 86400;
        stream.Publish({MakeReceivedRecord(TimeLine(now), now), MakeReceivedRecord(DataLine(step), now),
                        MakeReceivedRecord("Y,0,1013.2,296.4,294.1,41.5,0.00,0.00,0.000,0000", now)});
    });
    every.start(1000);

    // Ends when the test closes its standard input.
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char byte;
        if (read(0, &byte, 1) <= 0) app.quit();
    });
    return app.exec();
}
