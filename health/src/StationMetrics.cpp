// The station's metric families from the run's status, the record tally and the journal counts.
#include "health/StationMetrics.h"

#include <cmath>

#include "records/Records.h"
#include "records/Status.h"

namespace {

constexpr int kFaultBits = 9;

MetricFamily Family(std::string name, std::string help, MetricType type) {
    return {std::move(name), std::move(help), type, {}};
}

double Flag(bool value) {
    return value ? 1 : 0;
}

void AddRunFamilies(std::vector<MetricFamily>& out, const RunStatus& run) {
    MetricFamily state = Family("corvane_run_state", "1 for the data run's current state, 0 for the others.",
                                MetricType::Gauge);
    for (const RunState s : kAllRunStates)
        state.samples.push_back({{{"state", RunStateName(s)}}, Flag(s == run.state)});
    out.push_back(std::move(state));
    out.push_back(SingleMetric("corvane_run_state_since_timestamp_seconds",
                               "When the run's current state began.", MetricType::Gauge,
                               EpochSeconds(run.since)));
    out.push_back(SingleMetric("corvane_instrument_connected",
                               "1 while the run's port is open and the instrument answered its handshake.",
                               MetricType::Gauge, Flag(run.connected)));
    out.push_back(SingleMetric("corvane_run_logging", "1 while the run writes log files.", MetricType::Gauge,
                               Flag(run.logging)));
    const struct {
        const char* name;
        const char* help;
        std::uint64_t value;
    } counters[] = {
        {"corvane_unreadable_lines_total", "Lines received during runs that are no record.",
         run.unreadableLines},
        {"corvane_instrument_losses_total", "Times the instrument went away during a run.", run.losses},
        {"corvane_reconnect_tries_total", "Failed tries to open the run's port again.", run.reconnectTries},
        {"corvane_silent_instrument_restarts_total", "Times a silent instrument's output was restarted.",
         run.silentRestarts},
        {"corvane_log_write_errors_total", "Log writes or syncs that failed.", run.logWriteErrors},
        {"corvane_log_lines_dropped_total",
         "Log lines lost because too many were waiting to be written again.", run.logLinesDropped},
    };
    for (const auto& c : counters)
        out.push_back(SingleMetric(c.name, c.help, MetricType::Counter, static_cast<double>(c.value)));
    out.push_back(SingleMetric("corvane_log_lines_waiting",
                               "Log lines waiting to be written again after a failed write.",
                               MetricType::Gauge, static_cast<double>(run.logLinesKept)));
    if (run.lastLogSync)
        out.push_back(SingleMetric("corvane_log_last_sync_timestamp_seconds",
                                   "When log lines were last synced to the disk.", MetricType::Gauge,
                                   EpochSeconds(*run.lastLogSync)));
    if (run.clockOffsetSeconds)
        out.push_back(SingleMetric("corvane_instrument_clock_offset_seconds",
                                   "The instrument's clock minus the PC's (median of the run's last time "
                                   "records; both local time).",
                                   MetricType::Gauge, *run.clockOffsetSeconds));
    if (run.pcClockSynchronized)
        out.push_back(SingleMetric("corvane_system_clock_synchronized",
                                   "1 while the kernel counts the PC's clock synchronised to a time source.",
                                   MetricType::Gauge, Flag(*run.pcClockSynchronized)));
}

void AddRecordFamilies(std::vector<MetricFamily>& out, const CRecordTally& records) {
    MetricFamily counts =
        Family("corvane_records_total", "Records received, by record letter.", MetricType::Counter);
    MetricFamily last = Family("corvane_record_last_timestamp_seconds",
                               "When the last record of each letter arrived.", MetricType::Gauge);
    for (const char letter : kRecordLetters) {
        const CRecordTally::LetterTally tally = records.Letter(letter);
        const std::string label(1, letter);
        counts.samples.push_back({{{"letter", label}}, static_cast<double>(tally.count)});
        if (tally.last) last.samples.push_back({{{"letter", label}}, EpochSeconds(*tally.last)});
    }
    out.push_back(std::move(counts));
    out.push_back(std::move(last));
}

// The coefficients as the instrument sends them; pressure and humidity in base units (pascals from
// millibars, a ratio from percent), temperatures in kelvins as sent.
void AddReadingFamilies(std::vector<MetricFamily>& out, const CRecordTally& records) {
    const auto value = [&](Reading reading, int exponent10) -> std::optional<double> {
        const auto& latest = records.Latest(reading);
        if (!latest) return std::nullopt;
        return ReadValue(latest->text, exponent10).value_or(std::nan(""));
    };
    MetricFamily coefficients = Family("corvane_scattering_coefficient",
                                       "Latest scattering coefficient of the D record, in the instrument's "
                                       "unit, by wavelength and total or back "
                                       "scatter.",
                                       MetricType::Gauge);
    const char* colours[] = {"blue", "green", "red"};
    for (std::size_t i = 0; i < kCoefficientCount; ++i)
        if (const auto v = value(static_cast<Reading>(i), 0))
            coefficients.samples.push_back(
                {{{"wavelength", colours[i % 3]}, {"scatter", i < 3 ? "total" : "back"}}, *v});
    out.push_back(std::move(coefficients));

    const struct {
        Reading reading;
        int exponent10;
        const char* name;
        const char* help;
    } readings[] = {
        {Reading::Pressure, 2, "corvane_inlet_pressure_pascals",
         "Latest inlet pressure (sent in millibars)."},
        {Reading::SampleTemperature, 0, "corvane_sample_temperature_kelvin", "Latest sample temperature."},
        {Reading::InletTemperature, 0, "corvane_inlet_temperature_kelvin", "Latest inlet temperature."},
        {Reading::Humidity, -2, "corvane_relative_humidity_ratio",
         "Latest relative humidity (sent in percent)."},
    };
    for (const auto& r : readings)
        if (const auto v = value(r.reading, r.exponent10))
            out.push_back(SingleMetric(r.name, r.help, MetricType::Gauge, *v));
}

void AddFaultFamilies(std::vector<MetricFamily>& out, const CRecordTally& records) {
    const auto& status = records.Status();
    if (!status) return;
    MetricFamily faults = Family("corvane_instrument_fault",
                                 "1 while the last status word has the fault's bit set.", MetricType::Gauge);
    for (int bit = 0; bit < kFaultBits; ++bit)
        faults.samples.push_back({{{"fault", FormatStatusText(1 << bit)}}, Flag(status->word & (1 << bit))});
    out.push_back(std::move(faults));
    out.push_back(SingleMetric("corvane_instrument_status_word", "The last status word of a whole Y record.",
                               MetricType::Gauge, status->word));
}

}  // namespace

double EpochSeconds(std::chrono::system_clock::time_point time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

std::vector<MetricFamily> StationMetrics(const StationFigures& figures) {
    std::vector<MetricFamily> out;
    out.push_back({"corvane_build_info",
                   "The program's version.",
                   MetricType::Gauge,
                   {{{{"version", CORVANE_VERSION}}, 1}}});
    AddRunFamilies(out, figures.run);
    AddRecordFamilies(out, figures.records);
    AddReadingFamilies(out, figures.records);
    if (figures.averagingSeconds)
        out.push_back(SingleMetric("corvane_averaging_time_seconds", "The instrument's averaging time.",
                                   MetricType::Gauge, *figures.averagingSeconds));
    AddFaultFamilies(out, figures.records);
    MetricFamily events =
        Family("corvane_journal_events_total", "Events journaled since the program started, by event word.",
               MetricType::Counter);
    for (const auto& [word, count] : figures.journalCounts)
        events.samples.push_back({{{"event", word}}, static_cast<double>(count)});
    out.push_back(std::move(events));
    return out;
}
