// Bad and heavy clients all at once (corvane-httpload: 200 requests a second, 200 idle connections,
// a request a byte at a time, 1 MiB request lines, garbage) while records stream in: the server's
// memory stays bounded, it takes every record, its bounds close the bad connections, and normal
// requests are answered again once the load stops.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <atomic>
#include <cstdio>
#include <cmath>
#include <fstream>

#include "HttpClient.h"
#include "ServerFixture.h"

namespace {

using namespace std::chrono_literals;

double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE));
}

double Sample(const std::string& exposition, const std::string& name) {
    const std::size_t at = exposition.find("\n" + name + ' ');
    return at == std::string::npos ? std::nan("")
                                   : std::strtod(exposition.c_str() + at + name.size() + 2, nullptr);
}

TEST(HealthServerUnderLoad, StaysBoundedTakesEveryRecordAndAnswersAgainAfterwards) {
    TestStation station;
    const unsigned port = station.Start();
    ASSERT_NE(port, 0u);
    const double before = ResidentBytes();

    // Ten D records every 100 ms, as a backlog after a stall would bring them, for the whole load.
    std::atomic<bool> loading{true};
    std::atomic<int> published{0};
    std::thread publisher([&] {
        for (; loading; std::this_thread::sleep_for(100ms)) {
            std::vector<std::string> lines(10, "D,N,100,11.1,12.2,13.3,1.4,1.5,1.6");
            station.Publish(lines);
            published += 10;
        }
    });
    QProcess load;
    load.start(QStringLiteral(CORVANE_HTTPLOAD), {"--target", QStringLiteral("127.0.0.1:%1").arg(port),
                                                  "--seconds", "8", "--rate", "200", "--idle", "200"});
    double peak = before;
    while (!load.waitForFinished(250)) peak = std::max(peak, ResidentBytes());
    loading = false;
    publisher.join();
    const std::string report = load.readAllStandardOutput().toStdString();
    std::printf("%sresident memory: %.1f MB before the load, %.1f MB at most during it\n", report.c_str(),
                before / 1e6, peak / 1e6);

    // What the load client saw, and its normal request after the load.
    EXPECT_EQ(load.exitCode(), 0) << report;
    EXPECT_NE(report.find("after the load: answered"), std::string::npos) << report;
    EXPECT_LT(peak - before, 32.0 * 1024 * 1024) << "resident memory grew from " << before << " to " << peak;

    std::string exposition;
    EXPECT_TRUE(Eventually([&] {
        exposition = Get(port, "/metrics").body;
        return Sample(exposition, "corvane_records_total{letter=\"D\"}") == published;
    })) << published
        << " records published, the server took "
        << Sample(exposition, "corvane_records_total{letter=\"D\"}");
    EXPECT_GT(Sample(exposition, "corvane_http_connections_closed_total{reason=\"oversize\"}"), 0) << report;
    EXPECT_GT(Sample(exposition, "corvane_http_connections_closed_total{reason=\"crowded\"}"), 0) << report;
    EXPECT_EQ(Get(port, "/").status, 200);
}

}  // namespace
