// The NASA-Ames 1001 header, the metadata block and the data rows of one period's file.
#include "archive/ArchiveFile.h"

#include <algorithm>
#include <cstdio>

#include "ArchiveColumns.h"
#include "ArchiveFlags.h"
#include "archive/HourKey.h"

namespace {

constexpr const char* kComponent = "aerosol_light_scattering_coefficient";
constexpr int kMinFlags = 3;           // the flag column holds at least three flags
constexpr std::size_t kKeyWidth = 30;  // metadata values start in this column
constexpr std::int64_t kSecondsPerDay = 86400;

std::tm Utc(std::time_t time) {
    std::tm calendar{};
    gmtime_r(&time, &calendar);
    return calendar;
}

// 1 January 00:00 UTC of the year the period starts in: the file's reference point.
std::time_t ReferencePoint(std::time_t start) {
    std::tm calendar{};
    calendar.tm_year = Utc(start).tm_year;
    calendar.tm_mday = 1;
    return timegm(&calendar);
}

// Days since the reference point with six decimals, rounded in whole numbers so the text never depends
// on how a fraction is held in binary.
std::string Days(std::time_t time, std::time_t reference) {
    const std::int64_t seconds = time - reference;
    const std::int64_t microdays = (seconds * 2'000'000 + kSecondsPerDay) / (2 * kSecondsPerDay);
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(microdays / 1'000'000),
                  static_cast<long long>(microdays % 1'000'000));
    return text;
}

// "Last, First" of a person line that may go on with an e-mail address and more.
std::string Name(const std::string& person) {
    const std::size_t first = person.find(',');
    const std::size_t second = person.find(',', first + 1);
    return person.substr(0, second);
}

std::string RightAligned(const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

std::string Metadata(const std::string& key, const std::string& value) {
    const std::string label = key + ':';
    return label + std::string(label.size() < kKeyWidth ? kKeyWidth - label.size() : 1, ' ') + value;
}

struct Table {
    std::vector<std::string> titles;  // start_time, end_time, the value columns, numflag
    std::vector<std::size_t> widths;
    std::vector<std::string> missing;  // of the dependent columns: end_time to numflag
    std::vector<std::string> descriptions;
};

Table MakeTable(const std::vector<Column>& columns, int flagDigits) {
    Table table;
    const auto add = [&](const std::string& title, const std::string& description,
                         const std::string& missing) {
        table.titles.push_back(title);
        table.widths.push_back(std::max(title.size(), missing.size()));
        table.missing.push_back(missing);
        table.descriptions.push_back(description);
    };
    table.titles.push_back("start_time");
    table.widths.push_back(std::string("start_time").size());
    add("end_time", "end_time of measurement, days from the file reference point", MissingCode({4, 6}));
    for (const Column& column : columns) add(column.title, column.description, MissingCode(column.format));
    add("numflag", "numflag", MissingCode({1, flagDigits}));
    return table;
}

std::string Line(const std::vector<std::string>& cells, const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i)
        line += (i == 0 ? "" : " ") + RightAligned(cells[i], widths[i]);
    return line;
}

std::string Joined(const std::vector<std::string>& parts, const std::string& separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

}  // namespace

std::time_t PeriodStartOf(const ArchiveRow& row, std::chrono::seconds averaging,
                          std::chrono::seconds length) {
    const std::time_t start = row.end - averaging.count();
    const std::time_t offset = start % length.count();
    return start - (offset < 0 ? offset + length.count() : offset);
}

std::string DurationCode(std::chrono::seconds duration) {
    const long long s = duration.count();
    if (s % kSecondsPerDay == 0) return std::to_string(s / kSecondsPerDay) + "d";
    if (s % 3600 == 0) return std::to_string(s / 3600) + "h";
    if (s % 60 == 0) return std::to_string(s / 60) + "mn";
    return std::to_string(s) + "s";
}

ArchiveFile FormatArchiveFile(const StationConfig& station, const ArchivePeriod& period, std::time_t revision,
                              std::vector<ArchiveRow> rows) {
    ArchiveFile file;
    std::erase_if(rows, [&](const ArchiveRow& row) {
        return PeriodStartOf(row, period.averaging, period.length) != period.start;
    });
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ArchiveRow& a, const ArchiveRow& b) { return a.end < b.end; });
    const auto duplicates = std::unique(
        rows.begin(), rows.end(), [](const ArchiveRow& a, const ArchiveRow& b) { return a.end == b.end; });
    file.duplicates = static_cast<std::size_t>(rows.end() - duplicates);
    rows.erase(duplicates, rows.end());
    file.rows = rows.size();

    // Each row's cells first: the flag column's width depends on the most flags any row has.
    const std::vector<Column> columns = ValueColumns(station);
    const std::time_t reference = ReferencePoint(period.start);
    const std::time_t periodEnd = period.start + period.length.count();
    std::vector<std::vector<std::string>> cells;
    std::vector<std::vector<int>> flags;
    std::size_t mostFlags = kMinFlags;
    for (const ArchiveRow& row : rows) {
        std::vector<std::string> line = {Days(row.end - period.averaging.count(), reference),
                                         Days(std::min(row.end, periodEnd), reference)};
        const std::vector<std::optional<double>> values = ValuesOf(row, station.coefficientFactor);
        bool scatterMissing = false;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::optional<std::string> printed =
                values[i] ? Printed(*values[i], columns[i].format) : std::nullopt;
            line.push_back(printed.value_or(MissingCode(columns[i].format)));
            if (i >= kFirstScatterColumn && i < kFirstScatterColumn + 6) scatterMissing |= !printed;
        }
        cells.push_back(std::move(line));
        flags.push_back(FlagsOf(row, scatterMissing));
        mostFlags = std::max(mostFlags, flags.back().size());
    }
    const int flagDigits = 3 * static_cast<int>(mostFlags);
    const Table table = MakeTable(columns, flagDigits);

    file.name = station.stationCode + '.' + UtcText(period.start, "%Y%m%d%H%M%S") + '.' +
                UtcText(revision, "%Y%m%d%H%M%S") + '.' + station.instrumentType + '.' + kComponent + '.' +
                station.matrix + '.' + DurationCode(period.length) + '.' + DurationCode(period.averaging) +
                '.' + station.laboratoryCode + '_' + station.instrumentName + '.' + station.methodRef +
                ".lev0.nas";

    std::vector<std::string> originatorNames;
    for (const std::string& originator : station.originators) originatorNames.push_back(Name(originator));
    const std::size_t dependents = table.missing.size();
    std::vector<std::string> head = {
        Joined(originatorNames, "; "),
        station.organisation,
        Name(station.submitter),
        station.projects,
        "1 1",
        UtcText(reference, "%Y %m %d ") + UtcText(revision, "%Y %m %d"),
        "0",
        "Days from the file reference point (start_time)",
        std::to_string(dependents),
        Joined(std::vector<std::string>(dependents, "1"), " "),
        Joined(table.missing, " "),
    };
    head.insert(head.end(), table.descriptions.begin(), table.descriptions.end());
    head.push_back("0");  // no special comment lines

    const std::string resolution = DurationCode(period.averaging);
    std::vector<std::string> metadata = {
        Metadata("Data definition", "EBAS_1.1"),
        Metadata("Set type code", "TI"),
        Metadata("Timezone", "UTC"),
        Metadata("File name", file.name),
        Metadata("File creation", UtcText(revision, "%Y%m%d%H%M%S")),
        Metadata("Startdate", UtcText(period.start, "%Y%m%d%H%M%S")),
        Metadata("Revision date", UtcText(revision, "%Y%m%d%H%M%S")),
        Metadata("Data level", "0"),
        Metadata("Period code", DurationCode(period.length)),
        Metadata("Resolution code", resolution),
        Metadata("Sample duration", resolution),
        Metadata("Orig. time res.", resolution),
        Metadata("Station code", station.stationCode),
        Metadata("Platform code", station.platformCode),
        Metadata("Regime", "IMG"),
        Metadata("Component", kComponent),
        Metadata("Unit", "1/Mm"),
        Metadata("Matrix", station.matrix),
        Metadata("Laboratory code", station.laboratoryCode),
        Metadata("Instrument type", station.instrumentType),
        Metadata("Instrument manufacturer", station.instrumentManufacturer),
        Metadata("Instrument model", station.instrumentModel),
        Metadata("Instrument name", station.instrumentName),
        Metadata("Instrument serial number", station.instrumentSerial),
        Metadata("Method ref", station.methodRef),
        Metadata("Inlet type", station.inletType),
        Metadata("Zero/negative values code", "Zero/negative possible"),
    };
    for (const std::string& originator : station.originators)
        metadata.push_back(Metadata("Originator", originator));
    metadata.push_back(Metadata("Submitter", station.submitter));
    metadata.push_back(Line(table.titles, table.widths));
    head.push_back(std::to_string(metadata.size()));
    head.insert(head.end(), metadata.begin(), metadata.end());

    // Line 1 counts itself too.
    file.text = std::to_string(head.size() + 1) + " 1001\n";
    for (const std::string& line : head) file.text += line + '\n';
    for (std::size_t r = 0; r < cells.size(); ++r) {
        cells[r].push_back(FlagText(flags[r], flagDigits));
        file.text += Line(cells[r], table.widths) + '\n';
    }
    return file;
}
