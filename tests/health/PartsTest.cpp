// The health server's parts without a socket: the --listen text, the exposition's escaping and
// numbers, the readings kept from records, the coefficient history's bounds and the fault gauges.
#include <gtest/gtest.h>

#include "station/Exposition.h"
#include "health/ListenAddress.h"
#include "health/RecordTally.h"
#include "health/StationMetrics.h"

namespace {

using Clock = std::chrono::system_clock;

TEST(ListenSetting, ReadsAddressAndPortOrOffAndRefusesTheRest) {
    // The text, as read back (nullptr: refused), whether it is loopback.
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"127.0.0.1:8735", "127.0.0.1:8735", true},
        {"localhost:9000", "127.0.0.1:9000", true},
        {"[::1]:8735", "[::1]:8735", true},
        {"0.0.0.0:8735", "0.0.0.0:8735", false},
        {"192.0.2.7:1", "192.0.2.7:1", false},
        {"off", "off", false},
        {"8735", nullptr, false},
        {":8735", nullptr, false},
        {"127.0.0.1:0", nullptr, false},
        {"127.0.0.1:65536", nullptr, false},
        {"127.0.0.1:port", nullptr, false},
        {"::1:8735", nullptr, false},          // an IPv6 address needs its brackets
        {"[127.0.0.1]:8735", nullptr, false},  // and an IPv4 address has none
        {"station.example:8735", nullptr, false},
        {"Off", nullptr, false},
    };
    for (const auto& [text, readBack, loopback] : rows) {
        QString error;
        const std::optional<ListenSetting> setting = ParseListenSetting(QString::fromLatin1(text), error);
        EXPECT_EQ(error.isEmpty(), readBack != nullptr) << text;
        if (!readBack) {
            EXPECT_FALSE(setting) << text;
            continue;
        }
        ASSERT_TRUE(setting) << text;
        EXPECT_EQ(setting->Text().toStdString(), readBack);
        EXPECT_EQ(!setting->off && setting->IsLoopback(), loopback) << text;
    }
}

TEST(Exposition, EscapesHelpAndLabelValuesAndSpellsSpecialNumbers) {
    const std::vector<MetricFamily> families = {
        {"a_total", "back\\slash\nnew line \"quoted\"", MetricType::Counter, {{{{"l", "q\"b\\n\n"}}, 3}}},
        {"empty", "left out", MetricType::Gauge, {}},
        {"b",
         "numbers",
         MetricType::Gauge,
         {{{{"v", "nan"}}, std::nan("")},
          {{{"v", "up"}}, HUGE_VAL},
          {{{"v", "down"}}, -HUGE_VAL},
          {{{"v", "time"}}, 1796623426.25},
          {{{"v", "small"}}, 0.453},
          {{{"x", "1"}, {"y", "2"}}, -2}}},
    };
    EXPECT_EQ(WriteExposition(families),
              "# HELP a_total back\\\\slash\\nnew line \"quoted\"\n"
              "# TYPE a_total counter\n"
              "a_total{l=\"q\\\"b\\\\n\\n\"} 3\n"
              "# HELP b numbers\n"
              "# TYPE b gauge\n"
              "b{v=\"nan\"} NaN\n"
              "b{v=\"up\"} +Inf\n"
              "b{v=\"down\"} -Inf\n"
              "b{v=\"time\"} 1796623426.25\n"
              "b{v=\"small\"} 0.453\n"
              "b{x=\"1\",y=\"2\"} -2\n");
}

TEST(ReadValue, MovesTheDecimalPointInTheTextSoThatTheOnlyRoundingIsTheReadings) {
    EXPECT_EQ(ReadValue("45.3", -2), 0.453);
    EXPECT_EQ(ReadValue("1013.2", 2), 101320.0);
    EXPECT_EQ(ReadValue(" +12.5 C"), 12.5);
    EXPECT_EQ(ReadValue("1.5e3", -2), 15.0);
    EXPECT_FALSE(ReadValue(""));
    EXPECT_FALSE(ReadValue("n/a", 2));
}

TEST(RecordTally, TakesEachRecordsValuesAsFarAsItsFieldsGo) {
    CRecordTally tally;
    const Clock::time_point t0 = Clock::now();
    tally.Add(MakeReceivedRecord("D,N,100,1.1,2.2,3.3,4.4,5.5,6.6,7.7", t0));
    // Three commas make three fields: "9.2" is no field without a comma after it.
    tally.Add(MakeReceivedRecord("D,N,90,9.1,9.2", t0 + std::chrono::seconds(1)));
    tally.Add(MakeReceivedRecord("Y,0,1013.2,296.4,294.1,41.5,0,0", t0));  // seven commas: no status word
    tally.Add(MakeReceivedRecord("B,1,2,3,4,5,6,7,8,999.0", t0));          // a photon record cut short
    tally.Add(MakeReceivedRecord("X,1,2", t0));                            // no record letter
    tally.Add(MakeReceivedRecord("Z,1,2,3,4,5,6,7,8,9.9", t0));            // zero values are no readings

    EXPECT_EQ(tally.Latest(Reading::TotalBlue)->text, "9.1");
    EXPECT_EQ(tally.Latest(Reading::TotalBlue)->time, t0 + std::chrono::seconds(1));
    EXPECT_EQ(tally.Latest(Reading::TotalGreen)->time, t0);
    // The last field is the rest of the line.
    for (const auto& [reading, text] : {std::pair{Reading::TotalGreen, "2.2"}, {Reading::TotalRed, "3.3"},
                                        {Reading::BackRed, "6.6,7.7"}, {Reading::Pressure, "1013.2"},
                                        {Reading::Humidity, "41.5"}})
        EXPECT_EQ(tally.Latest(reading)->text, text);
    EXPECT_FALSE(tally.Status());
    for (const auto& [letter, count] : {std::pair{'D', 2u}, {'B', 1u}, {'Z', 1u}, {'X', 0u}})
        EXPECT_EQ(tally.Letter(letter).count, count) << letter;

    tally.Add(MakeReceivedRecord("Y,0,1000.0,296.4,294.1,41.5,0,0,0,0109", t0));
    tally.Add(MakeReceivedRecord("G,1,2,3,4,5,6,7,8,990.5,300.1", t0));
    ASSERT_TRUE(tally.Status());
    EXPECT_EQ(tally.Status()->word, 0x109);
    EXPECT_EQ(tally.Latest(Reading::Pressure)->text, "990.5");
    EXPECT_EQ(tally.Latest(Reading::SampleTemperature)->text, "300.1");
}

TEST(RecordTally, HistoryKeepsOneMeanAMinuteForADayUpToTheNewestRecord) {
    CRecordTally tally;
    const Clock::time_point start =
        std::chrono::floor<std::chrono::minutes>(Clock::now()) - std::chrono::hours(48);
    // Two days of two records a minute, the second of each minute 2 higher.
    for (int minute = 0; minute < 48 * 60; ++minute)
        for (int second : {0, 30}) {
            const double value = minute + second / 15.0;
            tally.Add(
                MakeReceivedRecord("D,N,1," + std::to_string(value) + ",1,1,1,1,x",
                                   start + std::chrono::minutes(minute) + std::chrono::seconds(second)));
        }
    std::vector<CRecordTally::ChartPoint> history = tally.History();
    ASSERT_EQ(history.size(), 24u * 60);
    EXPECT_EQ(history.front().minute, start + std::chrono::minutes(24 * 60));
    EXPECT_EQ(history.back().means[0], 48 * 60 - 1 + 1.0);
    EXPECT_TRUE(std::isnan(history.back().means[5]));  // "x" is no number

    // The clock set back an hour: what lay ahead of the newest record goes.
    tally.Add(MakeReceivedRecord("D,N,1,5,5,5,5,5,5", start + std::chrono::hours(47)));
    history = tally.History();
    EXPECT_EQ(history.back().minute, start + std::chrono::hours(47));
    EXPECT_EQ(history.back().means[0], (47 * 60 + 47 * 60 + 2 + 5) / 3.0);
}

const MetricFamily* FamilyNamed(const std::vector<MetricFamily>& families, const std::string& name) {
    const auto found = std::ranges::find(families, name, &MetricFamily::name);
    return found == families.end() ? nullptr : &*found;
}

TEST(StationMetrics, OneGaugePerStateAndFaultAndReadingsInBaseUnits) {
    CRecordTally tally;
    tally.Add(MakeReceivedRecord("Y,0,1013.2,296.4,294.1,41.5,0,0,0,0009", Clock::now()));
    RunStatus run;
    run.state = RunState::WaitingForInstrument;
    const std::vector<MetricFamily> families = StationMetrics({run, tally, {}, std::nullopt});

    const MetricFamily* states = FamilyNamed(families, "corvane_run_state");
    ASSERT_TRUE(states);
    ASSERT_EQ(states->samples.size(), 5u);
    for (const MetricSample& s : states->samples)
        EXPECT_EQ(s.value, s.labels[0].second == "waiting_for_instrument" ? 1 : 0) << s.labels[0].second;

    const MetricFamily* faults = FamilyNamed(families, "corvane_instrument_fault");
    ASSERT_TRUE(faults);
    ASSERT_EQ(faults->samples.size(), 9u);
    std::vector<std::string> set;
    for (const MetricSample& s : faults->samples)
        if (s.value == 1) set.push_back(s.labels[0].second);
    EXPECT_EQ(set, (std::vector<std::string>{"Lamp", "Shutter"}));
    EXPECT_EQ(faults->samples.back().labels[0].second, "Humid");

    EXPECT_EQ(FamilyNamed(families, "corvane_inlet_pressure_pascals")->samples[0].value, 101320.0);
    EXPECT_EQ(FamilyNamed(families, "corvane_relative_humidity_ratio")->samples[0].value, 0.415);
    EXPECT_EQ(FamilyNamed(families, "corvane_sample_temperature_kelvin")->samples[0].value, 296.4);
    EXPECT_FALSE(FamilyNamed(families, "corvane_averaging_time_seconds"));
}

}  // namespace
