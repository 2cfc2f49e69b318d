// The real program's hourly files as an operator's tools see them: its /metrics read by Prometheus's own
// promtool and scraped by a real Prometheus that evaluates the upload's alert rules; and a station
// description and key with problems told in one journal line while acquisition goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "PrometheusServer.h"
#include "StationExpectations.h"
#include "archive/HourKey.h"

using namespace std::chrono_literals;

namespace {

// The value of an unlabelled sample in a metrics text; nothing when it is absent.
std::optional<double> Sample(const std::string& metrics, const std::string& name) {
    std::istringstream lines(metrics);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(name + " ")) return std::stod(line.substr(name.size() + 1));
    return std::nullopt;
}

std::optional<double> HourStart(const std::string& fileName) {
    return static_cast<double>(HourKeyOfFileName(fileName).value().start);
}

class StationMetrics : public ::testing::Test {
protected:
    StationMetrics() { UseTimeZone(kCentralEurope); }

    // The program's /metrics, checked by promtool.
    std::string Metrics() {
        const std::optional<std::string> metrics = HttpGet(m_port, "/metrics");
        EXPECT_TRUE(metrics.has_value()) << "no /metrics on port " << m_port;
        const TempFolder folder;
        WriteText(folder.Path() / "metrics", metrics.value_or(""));
        const ProgramResult check =
            RunProgram({"sh", "-c", "promtool check metrics < " + (folder.Path() / "metrics").string()});
        EXPECT_EQ(check.exitStatus, 0) << check.out << check.err;
        return metrics.value_or("");
    }

    const int m_port = FreeLoopbackPort();
};

TEST_F(StationMetrics, TheUploadsFiguresFollowTheOutboxAndTheAlertOnALateHourFiresAndClearsInPrometheus) {
    // The instrument's hours are days old by the PC's clock: the first one waiting is late at once.
    CStationUnderTest station(SimulatorAt("2026-12-01T10:50:00"));
    station.StartProgram({}, "127.0.0.1:" + std::to_string(m_port));
    ASSERT_TRUE(WaitUntil([&] { return station.OutboxFiles().size() >= 2; }, 120s))
        << station.Journal() << station.ProgramOutput();
    const CPrometheusServer prometheus(
        m_port, {std::string(CORVANE_SOURCE_DIR) + "/dist/prometheus/rules/upload.yml"});
    ASSERT_TRUE(WaitUntil([&] { return prometheus.AlertState("CorvaneUploadBehind") == "firing"; }, 60s))
        << prometheus.Log();

    // Files written and counted between the two looks are allowed for.
    const std::vector<std::string> before = station.OutboxFiles();
    const std::string metrics = Metrics();
    const std::vector<std::string> after = station.OutboxFiles();
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

    ASSERT_TRUE(station.Server().Start()) << station.Server().Log();
    ASSERT_TRUE(WaitUntil(
        [&] { return !Sample(Metrics(), "corvane_upload_oldest_pending_timestamp_seconds").has_value(); },
        120s))
        << station.Journal();
    ASSERT_TRUE(WaitUntil([&] { return !prometheus.AlertState("CorvaneUploadBehind").has_value(); }, 60s))
        << prometheus.Log();
    EXPECT_TRUE(Sample(Metrics(), "corvane_upload_last_success_timestamp_seconds").has_value());
    EXPECT_EQ(prometheus.AlertState("CorvaneUploadHostKeyMismatch"), std::nullopt);
    ASSERT_TRUE(station.StopProgram()) << station.ProgramOutput();
}

// The lines of the journal that carry this event word.
std::vector<std::string> JournalLines(const CStationUnderTest& station, const std::string& word) {
    std::vector<std::string> found;
    std::istringstream lines(station.Journal());
    for (std::string line; std::getline(lines, line);)
        if (line.find(' ' + word + ' ') != std::string::npos) found.push_back(line);
    return found;
}

TEST_F(StationMetrics, EveryProblemOfTheStationDescriptionAndItsKeyIsToldInOneJournalLineAndTheRunGoesOn) {
    CStationUnderTest station(SimulatorAt("2026-12-01T10:50:00"));
    std::string text = ReadText(station.StationFile());
    text.replace(text.find("coefficient_factor"), 1, "#");
    const std::string fingerprint = station.Server().Fingerprint();
    text.replace(text.find(fingerprint), fingerprint.size(), "SHA256:short");
    WriteText(station.StationFile(), text);
    chmod(station.Server().ClientKey().c_str(), 0644);
    station.StartProgram({}, "127.0.0.1:" + std::to_string(m_port));
    ASSERT_TRUE(WaitUntil([&] { return LogRowsByHour(station.LogFolder(), 60s).size() >= 3; }, 120s))
        << station.Journal() << station.ProgramOutput();

    const std::vector<std::string> told = JournalLines(station, "station-config");
    ASSERT_EQ(told.size(), 1u) << station.Journal();
    EXPECT_NE(told[0].find("coefficient_factor is missing"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("upload_host_key \"SHA256:short\""), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("chmod 600"), std::string::npos) << told[0];
    EXPECT_EQ(station.OutboxFiles(), std::vector<std::string>());
    EXPECT_EQ(Sample(Metrics(), "corvane_upload_pending_files"), std::nullopt);
    ASSERT_TRUE(station.StopProgram()) << station.ProgramOutput();
}

}  // namespace
