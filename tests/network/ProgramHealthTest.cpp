// The real program's health server as an unattended station runs it, against the simulator: its
// live exposition as promtool reads it, and bad and heavy clients that never touch acquisition.
#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CorvaneProcess.h"
#include "EventLoopWait.h"
#include "HttpFetch.h"
#include "SimProcess.h"

namespace {

// The value of the sample written exactly as name (with its labels); NaN when there is none.
double Sample(const QByteArray& exposition, const std::string& name) {
    const std::string text = exposition.toStdString();
    const std::size_t at = text.find("\n" + name + ' ');
    return at == std::string::npos ? std::nan("") : std::strtod(text.c_str() + at + name.size() + 2, nullptr);
}

std::size_t DataLines(const std::vector<std::string>& lines) {
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [](const std::string& line) { return line.starts_with("D,"); }));
}

}  // namespace

TEST(ProgramHealth, LiveMetricsPassPromtoolAndTellTheRunAsItIs) {
    SimProcess sim({"--records", "DTY", "--averaging", "1"});
    CorvaneProcess corvane(sim);
    QByteArray metrics;
    ASSERT_TRUE(WaitFor(
        [&] {
            metrics = FetchUrl(corvane.Url("/metrics")).body;
            return Sample(metrics, "corvane_records_total{letter=\"Y\"}") >= 2;
        },
        20000))
        << metrics.toStdString() << corvane.Output();
    const std::vector<std::string> logged = corvane.LogLines();

    QProcess promtool;
    promtool.start(QStringLiteral("promtool"), {QStringLiteral("check"), QStringLiteral("metrics")});
    ASSERT_TRUE(promtool.waitForStarted()) << "promtool is missing: install the Debian package prometheus";
    promtool.write(metrics);
    promtool.closeWriteChannel();
    ASSERT_TRUE(promtool.waitForFinished(30000));
    EXPECT_EQ(promtool.exitCode(), 0)
        << promtool.readAllStandardOutput().toStdString() << promtool.readAllStandardError().toStdString()
        << metrics.toStdString();

    EXPECT_EQ(Sample(metrics, "corvane_run_state{state=\"running\"}"), 1);
    EXPECT_EQ(Sample(metrics, "corvane_run_state{state=\"waiting_for_instrument\"}"), 0);
    EXPECT_EQ(Sample(metrics, "corvane_instrument_connected"), 1);
    EXPECT_EQ(Sample(metrics, "corvane_run_logging"), 1);
    EXPECT_GT(Sample(metrics, "process_resident_memory_bytes"), 1e6);
    // A record is counted once it is logged: the log, read after the exposition, holds at least as many.
    const double counted = Sample(metrics, "corvane_records_total{letter=\"D\"}");
    EXPECT_GE(counted, 2);
    EXPECT_LE(counted, static_cast<double>(DataLines(logged)));
}

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
    const std::size_t loggedDuring = corvane.LogLines().size() - loggedBefore;
    std::printf(
        "%sresident memory: %.1f MB before the load, %.1f MB at most during it; %zu lines logged during it\n",
        report.c_str(), before / 1e6, peak / 1e6, loggedDuring);

    // The load client's own normal request after the load, then the program's three pages.
    EXPECT_EQ(load.exitCode(), 0) << report;
    for (const char* path : {"/", "/status.json", "/metrics"}) {
        const Fetched page = FetchUrl(corvane.Url(path));
        EXPECT_EQ(page.status, 200) << path << ": " << page.error.toStdString();
    }
    // The server's bounds did the work: over-long requests cut off, the oldest idle connections closed.
    const QByteArray metrics = FetchUrl(corvane.Url("/metrics")).body;
    EXPECT_GT(Sample(metrics, "corvane_http_connections_closed_total{reason=\"oversize\"}"), 0) << report;
    EXPECT_GT(Sample(metrics, "corvane_http_connections_closed_total{reason=\"crowded\"}"), 0) << report;
    EXPECT_LT(peak - before, 16.0 * 1024 * 1024) << "resident memory grew from " << before << " to " << peak;
    EXPECT_GT(loggedDuring, 100u) << "the run did not go on logging during the load";

    // Every line the instrument sent is in the log once, in order, through all of it.
    ASSERT_EQ(corvane.Stop(), 0) << corvane.Output();
    const std::vector<std::string> logged = corvane.LogLines();
    EXPECT_TRUE(WaitFor([&] { return sim.UnpolledRecordLines() == logged; }))
        << logged.size() << " lines logged, " << sim.UnpolledRecordLines().size() << " sent";
}
