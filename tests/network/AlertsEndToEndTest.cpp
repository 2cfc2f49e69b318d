// The station's alerting end to end: Prometheus scrapes the real program every second and evaluates the
// shipped rules (their `for:` shortened), Alertmanager passes the alerts to a webhook in the test.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QUrlQuery>

#include "CorvaneProcess.h"
#include "EventLoopWait.h"
#include "MonitoringProcesses.h"
#include "SimProcess.h"
#include "WebhookReceiver.h"

namespace {

// The run waiting for its instrument: the alert an unplugged or switched-off instrument raises.
const QString kInstrumentAlert = QStringLiteral("CorvaneWaitingForInstrument");

// The shipped rule files, under rules/, with every `for:` cut to 2 s so that seconds of outage fire.
std::map<QString, QByteArray> ShippedRulesShortened() {
    std::map<QString, QByteArray> files;
    const QDir rules(QStringLiteral(CORVANE_PROMETHEUS_DIST "/rules"));
    for (const QString& name : rules.entryList({QStringLiteral("*.yml")}, QDir::Files)) {
        QFile file(rules.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + name.toStdString());
        QString text = QString::fromUtf8(file.readAll());
        text.replace(QRegularExpression(QStringLiteral("^([ \\t]*for:)[ \\t]*\\S+"),
                                        QRegularExpression::MultilineOption),
                     QStringLiteral("\\1 2s"));
        files[name] = text.toUtf8();
    }
    return files;
}

// The instrument alert to the webhook at once, resolved notifications too; the rest nowhere.
QByteArray AlertmanagerConfig(const QString& webhook) {
    return QStringLiteral(R"(route: {receiver: nowhere, group_by: [alertname, instance], group_wait: 1s,
  group_interval: 1s, repeat_interval: 1h, routes: [{matchers: ['alertname="%1"'], receiver: webhook}]}
receivers: [{name: nowhere}, {name: webhook, webhook_configs: [{url: "%2", send_resolved: true}]}]
)")
        .arg(kInstrumentAlert, webhook)
        .toUtf8();
}

// The value of an instant query's first sample; NaN when there is none.
double Query(const MonitoringProcess& prometheus, const QString& expression) {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("query"), expression);
    const QJsonObject answer =
        prometheus.FetchJson("/api/v1/query?" + query.toString(QUrl::FullyEncoded).toStdString());
    const QJsonArray result = answer["data"]["result"].toArray();
    return result.isEmpty() ? std::nan("") : result[0]["value"][1].toString().toDouble();
}

}  // namespace

TEST(AlertsEndToEnd, AVanishedInstrumentFiresItsAlertOnceAndItsReturnResolvesItOnce) {
    // Gone for long enough that the alert fires on a loaded machine (it takes about 4 s), short enough
    // for a quick test: the program's try 14 s after the loss finds the instrument back.
    SimProcess sim({"--records", "DTY", "--averaging", "1", "--vanish-for", "13"});
    CorvaneProcess corvane(sim);
    WebhookReceiver webhook;
    const std::unique_ptr<MonitoringProcess> alertmanager =
        StartAlertmanager(AlertmanagerConfig(webhook.Url()));
    const std::unique_ptr<MonitoringProcess> prometheus =
        StartPrometheus(corvane.Port(), ShippedRulesShortened(), alertmanager->Port());
    ASSERT_TRUE(
        WaitFor([&] { return Query(*prometheus, "corvane_run_state{state=\"running\"}") == 1; }, 20000))
        << prometheus->Output();
    EXPECT_EQ(AlertState(*prometheus, kInstrumentAlert), QString());

    sim.Vanish();
    ASSERT_TRUE(WaitFor([&] { return AlertState(*prometheus, kInstrumentAlert) == "firing"; }, 14000, 200))
        << "state " << AlertState(*prometheus, kInstrumentAlert).toStdString() << "\n"
        << corvane.Output();
    // Waits on the event loop throughout: the webhook answers Alertmanager only while it runs.
    EXPECT_TRUE(WaitFor([&] { return AlertState(*prometheus, kInstrumentAlert).isEmpty(); }, 30000, 200))
        << "state " << AlertState(*prometheus, kInstrumentAlert).toStdString() << "\n"
        << corvane.Output();
    EXPECT_EQ(sim.Events().size(), 3u) << "the alert resolved before the instrument came back";
    EXPECT_TRUE(
        WaitFor([&] { return Query(*prometheus, "corvane_run_state{state=\"running\"}") == 1; }, 10000, 200));

    // The resolved notification, then a few group intervals in which nothing more may come.
    EXPECT_TRUE(WaitFor([&] { return webhook.Notifications().size() >= 2; }, 15000))
        << alertmanager->Output();
    WaitFor([] { return false; }, 3000);
    ASSERT_EQ(webhook.Notifications().size(), 2u)
        << webhook.Described().toStdString() << alertmanager->Output();
    EXPECT_EQ(webhook.Notifications()[0].status, "firing");
    EXPECT_EQ(webhook.Notifications()[0].alertNames, QStringList{kInstrumentAlert});
    EXPECT_EQ(webhook.Notifications()[1].status, "resolved");
    EXPECT_EQ(webhook.Notifications()[1].alertNames, QStringList{kInstrumentAlert});
}
