// Log lines to files: the averaging time told by the records' spacing when not given, then the rows put in
// their periods, each period written once a row of a later one arrives.
#include "ExportRun.h"

#include <cstring>
#include <fstream>
#include <functional>
#include <ostream>
#include <set>
#include <sstream>

#include "archive/ArchiveFile.h"
#include "archive/AtomicFile.h"
#include "archive/AveragingTally.h"
#include "archive/HourKey.h"
#include "archive/RowAssembler.h"

namespace {

using LineVisitor = std::function<void(const std::string& file, int number, std::string_view line)>;

// Calls visit for every line of the logs in turn; false when a file could not be read.
bool ForEachLine(const std::vector<std::string>& files, std::ostream& err, const LineVisitor& visit) {
    bool allRead = true;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            err << file << ": cannot be read (" << std::strerror(errno) << ")\n";
            allRead = false;
            continue;
        }
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            visit(file, number, line);
        }
    }
    return allRead;
}

// The averaging time the logs' rows show.
std::optional<std::chrono::seconds> AveragingOf(const std::vector<std::string>& files, std::ostream& err) {
    CAveragingTally tally;
    ForEachLine(files, err, [&](const std::string&, int, std::string_view line) { tally.AddLine(line); });
    return tally.Averaging();
}

std::string PeriodText(std::time_t start) {
    return UtcText(start, "%Y-%m-%dT%H");
}

class PeriodWriter {
public:
    PeriodWriter(const StationConfig& station, const ExportOptions& options, std::chrono::seconds averaging,
                 std::ostream& out, std::ostream& err)
        : m_station(station), m_options(options), m_averaging(averaging), m_out(out), m_err(err) {}

    // False when the row came after its period's file was written.
    bool Add(ArchiveRow row) {
        const std::time_t period = PeriodStartOf(row, m_averaging, m_options.period);
        if (period < m_options.from || period >= m_options.to) return true;
        if (m_written.contains(period) || (m_open && period < *m_open)) return false;
        if (m_open && period > *m_open) Write();
        m_open = period;
        m_rows.push_back(std::move(row));
        return true;
    }

    // Writes the open period; true when every file could be written.
    bool Finish() {
        if (m_open) Write();
        for (std::time_t period = m_options.from; period < m_options.to; period += m_options.period.count())
            if (!m_written.contains(period))
                m_out << "no records for " << PeriodText(period) << ", so no file\n";
        return m_writeFailed == 0;
    }

private:
    void Write() {
        const ArchivePeriod period{*m_open, m_options.period, m_averaging};
        const ArchiveFile file = FormatArchiveFile(m_station, period, std::time(nullptr), std::move(m_rows));
        m_rows.clear();
        m_written.insert(*m_open);
        m_open.reset();
        if (file.duplicates > 0)
            m_err << file.name << ": " << file.duplicates
                  << " record(s) repeat a time already in it, left out\n";
        const std::string failure = WriteFileAtomically(m_options.outFolder, file.name, file.text);
        if (!failure.empty()) {
            m_err << "corvane-export: " << failure << '\n';
            ++m_writeFailed;
            return;
        }
        m_out << m_options.outFolder << '/' << file.name << " (" << file.rows << " rows)\n";
    }

    const StationConfig& m_station;
    const ExportOptions& m_options;
    std::chrono::seconds m_averaging;
    std::ostream& m_out;
    std::ostream& m_err;
    std::optional<std::time_t> m_open;
    std::vector<ArchiveRow> m_rows;
    std::set<std::time_t> m_written;
    int m_writeFailed = 0;
};

}  // namespace

int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    const StationConfigResult station = LoadStationConfig(options.stationFile);
    if (!station.problems.empty()) {
        err << "corvane-export: the station description " << options.stationFile << " needs mending:\n";
        for (const std::string& problem : station.problems) err << "- " << problem << '\n';
        return 2;
    }
    std::optional<std::chrono::seconds> averaging = options.averaging;
    if (!averaging) {
        std::ostringstream ignored;  // the second reading reports the same problems
        averaging = AveragingOf(options.logFiles, ignored);
        if (!averaging) {
            err << "corvane-export: the records are too few to tell the averaging time; give --averaging\n";
            return 2;
        }
        out << "averaging time " << averaging->count() << " s, the most common spacing of the records\n";
    }

    PeriodWriter writer(station.config, options, *averaging, out, err);
    CRowAssembler assembler;
    bool skipped = false;
    const bool allRead =
        ForEachLine(options.logFiles, err, [&](const std::string& file, int number, std::string_view line) {
            CRowAssembler::Outcome outcome = assembler.AddLine(line);
            if (!outcome.problem.empty()) {
                err << file << ':' << number << ": " << outcome.problem << '\n';
                skipped = true;
            }
            if (outcome.finished && !writer.Add(std::move(*outcome.finished))) {
                err << file << ':' << number
                    << ": the records before this line belong to a period already written "
                    << "(the instrument's clock went back?); left out\n";
                skipped = true;
            }
        });
    if (std::optional<ArchiveRow> last = assembler.Flush(); last && !writer.Add(std::move(*last))) {
        err << "the last records belong to a period already written; left out\n";
        skipped = true;
    }
    if (!writer.Finish()) return 2;
    return skipped || !allRead ? 1 : 0;
}
