// The health server over real sockets, fed by a test's run status and a real record stream: methods and
// paths, the live state on every page, the bounds on bad clients, a port already taken, the metrics file.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>

#include "EventLoopWait.h"
#include "ExpositionCheck.h"
#include "HttpClient.h"
#include "ServerFixture.h"
#include "TestFiles.h"

namespace {

using namespace std::chrono_literals;

TEST(HealthServer, AnswersGetAndHeadOnItsOwnPathsOnly) {
    TestStation station;
    const unsigned port = station.Start();
    ASSERT_NE(port, 0u);
    const HttpAnswer metrics = Get(port, "/metrics");
    ASSERT_EQ(metrics.status, 200);
    EXPECT_EQ(metrics.headers.at("content-type"), "text/plain; version=0.0.4; charset=utf-8");

    const HttpAnswer head =
        Exchange(port, "HEAD /status.css HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.headers.at("content-length"), std::to_string(Get(port, "/status.css").body.size()));
    EXPECT_EQ(head.body, "");  // nothing after the headers

    const std::pair<const char*, int> rows[] = {
        {"POST /metrics HTTP/1.1\r\nContent-Length: 2\r\n\r\nab", 405},
        {"PUT / HTTP/1.1\r\nContent-Length: 0\r\n\r\n", 405},
        {"DELETE /status.json HTTP/1.1\r\n\r\n", 405},
        {"OPTIONS /metrics HTTP/1.1\r\n\r\n", 405},
        {"GET /nothing HTTP/1.1\r\n\r\n", 404},
        {"GET /status.html HTTP/1.1\r\n\r\n", 404},        // the template is not served as it is
        {"GET /health/status.css HTTP/1.1\r\n\r\n", 404},  // nor under its resource name
        {"GET /../../etc/passwd HTTP/1.1\r\n\r\n", 404},   // no path reaches the file system
        {"GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\n\r\n", 404},
        {"GET /status.css/../../etc/passwd HTTP/1.1\r\n\r\n", 404},
    };
    for (const auto& [text, status] : rows) {
        std::string request = text;
        request.insert(request.find("\r\n") + 2, "Host: x\r\nConnection: close\r\n");
        HttpAnswer answer = Exchange(port, request);
        EXPECT_EQ(answer.status, status) << text;
        EXPECT_EQ(answer.headers["allow"], status == 405 ? "GET, HEAD" : "") << text;
        EXPECT_EQ(answer.body.find("root:"), std::string::npos) << text;
    }
}

TEST(HealthServer, ShowsTheRunAndTheLatestRecordsAndExposesEveryKindOfFigureAsPromtoolReads) {
    TestStation station;
    station.Server().AddMetrics([] {
        return std::vector<MetricFamily>{
            SingleMetric("corvane_test_extra_seconds", "A provider's figure.", MetricType::Gauge, 1.5)};
    });
    RunStatus run;
    run.state = RunState::Running;
    run.since = std::chrono::system_clock::now() - 90s;
    run.port = 5;
    run.device = "/dev/ttyUSB0";
    run.logging = true;
    run.logFile = "/srv/neph/<CV261206>.dat";  // markup in a value must stay text
    run.lastLogSync = std::chrono::system_clock::now();
    station.SetRun(run);
    const unsigned port = station.Start();
    station.Publish({"T,2026,12,06,10,00,00", "D,N,100,11.1,12.2,13.3,1.4,1.5,1.6",
                     "Y,0,1013.2,296.4,294.1,41.5,0,0,0,0101", "B,1,2,3,4,5,6,7,8,990.5,300.1"});

    QJsonObject status;
    ASSERT_TRUE(WaitFor([&] {
        status = QJsonDocument::fromJson(QByteArray::fromStdString(Get(port, "/status.json").body)).object();
        return status[u"records"][u"D"][u"count"].toInt() == 1 &&
               status[u"records"][u"B"][u"count"].toInt() == 1;
    }));
    EXPECT_EQ(status[u"run"][u"state"], "running");
    EXPECT_EQ(status[u"run"][u"port"], 5);
    EXPECT_EQ(status[u"run"][u"light"], "red");  // the Lamp fault
    EXPECT_EQ(status[u"faults"].toArray(), (QJsonArray{"Lamp", "Humid"}));
    EXPECT_EQ(status[u"values"][0][u"key"], "total_blue");
    EXPECT_EQ(status[u"values"][0][u"value"], "11.1");
    EXPECT_EQ(status[u"journal"][0].toString().left(15), "http-listening ");

    const std::string page = Get(port, "/").body;
    EXPECT_NE(page.find("<h1 id=\"state\">Running</h1>"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"value\">13.3</td>"), std::string::npos);
    EXPECT_NE(page.find("/srv/neph/&lt;CV261206&gt;.dat"), std::string::npos);
    EXPECT_NE(page.find("\">0 s ago</td>"), std::string::npos);  // the values' age as of loading
    EXPECT_EQ(page.find("{{"), std::string::npos);

    const std::string chart = Get(port, "/chart.svg").body;
    EXPECT_TRUE(chart.starts_with("<svg") && chart.find("<polyline") != std::string::npos);

    const std::string exposition = Get(port, "/metrics").body;
    for (const char* sample : {"\ncorvane_instrument_fault{fault=\"Humid\"} 1\n",
                               "\ncorvane_test_extra_seconds 1.5\n", "\nprocess_resident_memory_bytes "})
        EXPECT_NE(exposition.find(sample), std::string::npos) << sample;
    EXPECT_EQ(PromtoolComplaint(exposition), "");
}

TEST(HealthServer, ClosesOversizeSilentAndCrowdingConnectionsAndStillAnswers) {
    HealthOptions options = TestStation::LoopbackAnyPort();
    options.limits.maxConnections = 4;
    options.limits.requestTime = 500ms;
    TestStation station(options);
    const unsigned port = station.Start();

    TestConnection huge(port);
    huge.Send("GET /" + std::string(1 << 20, 'a'));
    EXPECT_TRUE(huge.ClosedByServer(2000));
    TestConnection hugeHeader(port);
    hugeHeader.Send("GET /metrics HTTP/1.1\r\nX-Big: " + std::string(64 * 1024, 'a'));
    EXPECT_TRUE(hugeHeader.ClosedByServer(2000));

    // A request that never ends is closed once its time is up; one byte after another buys none.
    TestConnection dripping(port);
    for (const char c : std::string("GET /metr")) {
        dripping.Send(std::string(1, c));
        std::this_thread::sleep_for(80ms);
    }
    EXPECT_TRUE(dripping.ClosedByServer(1000));

    // Four idle connections fill the server: the next one closes the oldest idle one.
    std::vector<std::unique_ptr<TestConnection>> idle;
    for (int i = 0; i < 5; ++i) idle.push_back(std::make_unique<TestConnection>(port));
    EXPECT_TRUE(idle[0]->ClosedByServer(400));
    EXPECT_FALSE(idle[4]->ClosedByServer(0));
    EXPECT_EQ(Get(port, "/status.css").status, 200);

    const std::string metrics = Get(port, "/metrics").body;
    EXPECT_EQ(Sample(metrics, "corvane_http_connections_closed_total{reason=\"oversize\"}"), 2.0);
    // The idle ones may time out too on a slow machine.
    EXPECT_GE(Sample(metrics, "corvane_http_connections_closed_total{reason=\"timed_out\"}"), 1.0);
    EXPECT_GE(Sample(metrics, "corvane_http_connections_closed_total{reason=\"crowded\"}"), 1.0);
}

TEST(HealthServer, APortAlreadyTakenIsJournaledAndNothingElseHappens) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::LocalHost, 0));
    HealthOptions options;
    options.listen.port = other.serverPort();
    TestStation station(options);
    EXPECT_EQ(station.Start(), 0u);
    const std::vector<std::string> journal = station.Journal();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_TRUE(journal[0].starts_with("http-failed cannot listen on 127.0.0.1:" +
                                       std::to_string(other.serverPort())))
        << journal[0];
}

TEST(HealthServer, MetricsFileIsReplacedWholeAndItsFailuresJournaledOnce) {
    QTemporaryDir folder;
    // In a folder that is not there yet: every write fails until it is made.
    const std::string path = folder.filePath("textfile/corvane.prom").toStdString();
    HealthOptions options;
    options.listen.off = true;
    options.metricsFile = path;
    options.metricsFileInterval = 50ms;
    TestStation station(options);
    station.Start();
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(QDir(folder.path()).mkdir("textfile"));
    station.Publish({"D,N,100,11.1,12.2,13.3,1.4,1.5,1.6"});
    ASSERT_TRUE(WaitFor(
        [&] { return ReadText(path).find("corvane_records_total{letter=\"D\"} 1\n") != std::string::npos; }));
    const std::string text = ReadText(path);
    EXPECT_TRUE(text.starts_with("# HELP corvane_build_info") && text.ends_with("\n"));
    EXPECT_EQ(QDir(folder.filePath("textfile")).entryList(QDir::Files), QStringList{"corvane.prom"});

    const std::vector<std::string> journal = station.Journal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_TRUE(journal[0].starts_with("metrics-file-error " + path + ": ")) << journal[0];
    EXPECT_EQ(journal[1], "metrics-file-recovered " + path);
}

}  // namespace
