// The real program's live /metrics as an operator's tools see them, export on: read by Prometheus's own
// promtool and scraped by a real Prometheus that evaluates the upload's alert rules while the server is
// down and back, after which each hour is on it once; and a station description and key with problems
// told in one journal line while acquisition goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <algorithm>

#include "ExpositionCheck.h"
#include "HttpClient.h"
#include "MonitoringProcesses.h"
#include "StationExpectations.h"
#include "archive/HourKey.h"

using namespace std::chrono_literals;

namespace {

std::optional<double> HourStart(const std::string& fileName) {
    return static_cast<double>(HourKeyOfFileName(fileName).value().start);
}

// The program's /metrics, checked by promtool.
std::string Metrics(const CorvaneProcess& program) {
    const HttpAnswer answer = Get(program.Port(), "/metrics");
    EXPECT_EQ(answer.status, 200) << "no /metrics on port " << program.Port();
    EXPECT_EQ(PromtoolComplaint(answer.body), "");
    return answer.body;
}

class StationMetrics : public ::testing::Test {
protected:
    StationMetrics() { UseTimeZone(kCentralEurope); }
};

TEST_F(StationMetrics, TheUploadsFiguresFollowTheOutboxAndTheAlertOnALateHourFiresAndClearsInPrometheus) {
    // The server is down until the alert fires.
    // The instrument's hours are days old by the PC's clock: the first one waiting is late at once.
    CStationUnderTest station(SimulatorAt("2026-12-01T10:50:00"));
    CorvaneProcess& program = station.StartProgram();
    ASSERT_TRUE(WaitUntil([&] { return station.OutboxFiles().size() >= 2; }, 120s))
        << station.Journal() << station.ProgramOutput();
    QFile rules(CORVANE_SOURCE_DIR "/dist/prometheus/rules/upload.yml");
    ASSERT_TRUE(rules.open(QIODevice::ReadOnly));
    const auto prometheus = StartPrometheus(program.Port(), {{"upload.yml", rules.readAll()}});
    ASSERT_TRUE(WaitUntil([&] { return AlertState(*prometheus, "CorvaneUploadBehind") == "firing"; }, 60s))
        << prometheus->Output();

    // Files written and counted between the two looks are allowed for.
    const std::vector<std::string> before = station.OutboxFiles();
    const std::string metrics = Metrics(program);
    const std::vector<std::string> after = station.OutboxFiles();
    const std::vector<std::string> logged = program.LogLines();
    const std::optional<double> pending = Sample(metrics, "corvane_upload_pending_files");
    ASSERT_TRUE(pending.has_value()) << metrics;
    EXPECT_GE(*pending, static_cast<double>(before.size()) - 1)
        << metrics;  // one may be counted at the next scan
    EXPECT_LE(*pending, static_cast<double>(after.size())) << metrics;
    EXPECT_EQ(Sample(metrics, "corvane_upload_oldest_pending_timestamp_seconds"), HourStart(before.front()));
    EXPECT_GE(Sample(metrics, "corvane_archive_files_written_total"), static_cast<double>(before.size()));
    EXPECT_GE(Sample(metrics, "corvane_archive_last_hour_timestamp_seconds"), HourStart(before.back()));
    EXPECT_GE(Sample(metrics, "corvane_upload_failures_total"), 1.0);
    EXPECT_EQ(Sample(metrics, "corvane_archive_lines_unread_total"), 0.0);
    EXPECT_EQ(Sample(metrics, "corvane_archive_records_late_total"), 0.0);
    EXPECT_EQ(Sample(metrics, "corvane_archive_write_failures_total"), 0.0);
    EXPECT_EQ(Sample(metrics, "corvane_upload_last_success_timestamp_seconds"), std::nullopt);
    // The run as it is now, not as it was when the program started.
    EXPECT_EQ(Sample(metrics, "corvane_run_state{state=\"running\"}"), 1.0);
    EXPECT_EQ(Sample(metrics, "corvane_run_state{state=\"waiting_for_instrument\"}"), 0.0);
    EXPECT_EQ(Sample(metrics, "corvane_instrument_connected"), 1.0);
    EXPECT_EQ(Sample(metrics, "corvane_run_logging"), 1.0);
    EXPECT_GT(Sample(metrics, "process_resident_memory_bytes"), 1e6);
    // A record is counted once it is logged: the log, read after the exposition, holds at least as many.
    const std::optional<double> counted = Sample(metrics, "corvane_records_total{letter=\"D\"}");
    EXPECT_GE(counted, 2.0);
    EXPECT_LE(counted,
              static_cast<double>(std::count_if(logged.begin(), logged.end(), [](const std::string& line) {
                  return line.starts_with("D,");
              })));

    ASSERT_TRUE(station.Server().Start()) << station.Server().Log();
    ASSERT_TRUE(WaitUntil(
        [&] {
            return !Sample(Metrics(program), "corvane_upload_oldest_pending_timestamp_seconds").has_value();
        },
        120s))
        << station.Journal();
    ASSERT_TRUE(WaitUntil([&] { return AlertState(*prometheus, "CorvaneUploadBehind").isEmpty(); }, 60s))
        << prometheus->Output();
    EXPECT_TRUE(Sample(Metrics(program), "corvane_upload_last_success_timestamp_seconds").has_value());
    EXPECT_EQ(AlertState(*prometheus, "CorvaneUploadHostKeyMismatch"), QString());
    ASSERT_TRUE(station.StopProgram()) << station.ProgramOutput();

    // The hours that waited arrived once and oldest first; the failure and the recovery told once each.
    ExpectServerHoldsTheLog(station);
    const std::vector<std::string> arrived = HourIds(station.ServerFiles());
    EXPECT_TRUE(std::is_sorted(arrived.begin(), arrived.end())) << "oldest first";
    EXPECT_EQ(station.JournalCount("upload-failed"), 1u) << station.Journal();
    EXPECT_EQ(station.JournalCount("upload-recovered"), 1u) << station.Journal();
}

TEST_F(StationMetrics, EveryProblemOfTheStationDescriptionAndItsKeyIsToldInOneJournalLineAndTheRunGoesOn) {
    CStationUnderTest station(SimulatorAt("2026-12-01T10:50:00"));
    std::string text = ReadText(station.StationFile());
    text.replace(text.find("coefficient_factor"), 1, "#");
    const std::string fingerprint = station.Server().Fingerprint();
    text.replace(text.find(fingerprint), fingerprint.size(), "SHA256:short");
    WriteText(station.StationFile(), text);
    chmod(station.Server().ClientKey().c_str(), 0644);
    CorvaneProcess& program = station.StartProgram();
    ASSERT_TRUE(WaitUntil([&] { return LogRowsByHour(station.LogFolder(), 60s).size() >= 3; }, 120s))
        << station.Journal() << station.ProgramOutput();

    const std::vector<std::string> told = station.JournalLines("station-config");
    ASSERT_EQ(told.size(), 1u) << station.Journal();
    EXPECT_NE(told[0].find("coefficient_factor is missing"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("upload_host_key \"SHA256:short\""), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("chmod 600"), std::string::npos) << told[0];
    EXPECT_EQ(station.OutboxFiles(), std::vector<std::string>());
    EXPECT_EQ(Sample(Metrics(program), "corvane_upload_pending_files"), std::nullopt);
    ASSERT_TRUE(station.StopProgram()) << station.ProgramOutput();
}

}  // namespace
