// The real program's health server as an unattended station runs it, against the simulator: bad and
// heavy clients (corvane-httpload: 200 requests a second, 200 idle connections, a request a byte at a
// time, 1 MiB request lines, garbage) that never touch acquisition nor the server's tally of records.
#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>

#include "CorvaneProcess.h"
#include "EventLoopWait.h"
#include "ExpositionCheck.h"
#include "HttpClient.h"
#include "SimProcess.h"

TEST(ProgramHealth, BadAndHeavyClientsNeverTouchAcquisition) {
    // Ten instrument seconds a second: about 20 record lines a second for the logger while the load runs.
    SimProcess sim({"--records", "DTY", "--averaging", "1", "--speed", "10"});
    CorvaneProcess corvane(sim);
    ASSERT_TRUE(WaitFor([&] { return corvane.LogLines().size() >= 20; }, 20000)) << corvane.Output();
    const double before = corvane.ResidentBytes();
    const std::size_t loggedBefore = corvane.LogLines().size();

    QProcess load;
    load.start(QStringLiteral(CORVANE_HTTPLOAD),
               {"--target", QStringLiteral("127.0.0.1:%1").arg(corvane.Port()), "--seconds", "10", "--rate",
                "200", "--idle", "200"});
    ASSERT_TRUE(load.waitForStarted());
    double peak = before;
    while (!load.waitForFinished(250)) peak = std::max(peak, corvane.ResidentBytes());
    const std::string report = load.readAllStandardOutput().toStdString();
    const std::vector<std::string> loggedByTheEnd = corvane.LogLines();
    const std::size_t loggedDuring = loggedByTheEnd.size() - loggedBefore;

    // The load client's own normal request after the load, then the program's three pages.
    EXPECT_EQ(load.exitCode(), 0) << report;
    for (const char* path : {"/", "/status.json", "/metrics"})
        EXPECT_EQ(Get(corvane.Port(), path).status, 200) << path;
    // The server's bounds did the work: over-long requests cut off, the oldest idle connections closed.
    const std::string metrics = Get(corvane.Port(), "/metrics").body;
    EXPECT_GT(Sample(metrics, "corvane_http_connections_closed_total{reason=\"oversize\"}"), 0) << report;
    EXPECT_GT(Sample(metrics, "corvane_http_connections_closed_total{reason=\"crowded\"}"), 0) << report;
    EXPECT_LT(peak - before, 16.0 * 1024 * 1024) << "resident memory grew from " << before << " to " << peak;
    EXPECT_GT(loggedDuring, 100u) << "the run did not go on logging during the load";
    // Every record logged through the load is counted by the server.
    const auto dataLines = std::count_if(loggedByTheEnd.begin(), loggedByTheEnd.end(),
                                         [](const std::string& line) { return line.starts_with("D,"); });
    EXPECT_TRUE(WaitFor([&] {
        return Sample(Get(corvane.Port(), "/metrics").body, "corvane_records_total{letter=\"D\"}") >=
               static_cast<double>(dataLines);
    })) << dataLines
        << " D records logged";

    // Every line the instrument sent is in the log once, in order, through all of it.
    ASSERT_EQ(corvane.Stop(), 0) << corvane.Output();
    const std::vector<std::string> logged = corvane.LogLines();
    EXPECT_TRUE(WaitFor([&] { return sim.UnpolledRecordLines() == logged; }))
        << logged.size() << " lines logged, " << sim.UnpolledRecordLines().size() << " sent";
}
