// The station's services wired to the run core and the journal.
#include "services/StationServices.h"

#include "ArchiveExport.h"
#include "archive/StationConfig.h"
#include "run/RunCore.h"
#include "station/EventJournal.h"
#include "upload/UploadConfig.h"

namespace {

HealthSources SourcesOf(CRunCore& core) {
    HealthSources sources;
    sources.runStatus = [&core] { return core.Status(); };
    sources.records = &core.Records();
    sources.journalLines = [](std::size_t count) { return RecentJournalLines(count); };
    sources.journalCounts = [] {
        const std::map<std::string, std::uint64_t> counts = JournalEventCounts();
        return std::vector<std::pair<std::string, std::uint64_t>>(counts.begin(), counts.end());
    };
    sources.averagingSeconds = [&core] { return core.Status().averagingSeconds; };
    sources.journal = JournalEvent;
    return sources;
}

// Records a listener lost by falling too far behind: none, unless a listener cannot keep up.
MetricFamily StreamDrops(const CRecordStream& records) {
    MetricFamily family{"corvane_stream_dropped_records_total",
                        "Records a listener of the run's record stream lost by falling too far behind.",
                        MetricType::Counter,
                        {}};
    for (const CRecordStream::Drops& drops : records.Dropped())
        family.samples.push_back({{{"listener", drops.listener}}, static_cast<double>(drops.records)});
    return family;
}

}  // namespace

CStationServices::CStationServices(CRunCore& core, ServicesOptions options)
    : m_core(core), m_options(std::move(options)) {}

CStationServices::~CStationServices() {
    m_health.reset();  // it asks the export for its figures
    m_export.reset();
}

std::string CStationServices::Start() {
    std::string message;
    if (!m_options.stationConfigPath.empty()) {
        StationConfigResult station = LoadStationConfig(m_options.stationConfigPath);
        // What the uploader itself would refuse is told with the rest, in the same message.
        if (station.ExportEnabled())
            for (std::string& problem : SettingProblems(UploadOf(station.config)))
                station.uploadProblems.push_back(std::move(problem));
        // A station that does not export needs no description file: its absence is no problem.
        if (station.found && (!station.problems.empty() || !station.uploadProblems.empty()))
            message = StationConfigMessage(m_options.stationConfigPath, station);
        if (station.ExportEnabled()) {
            m_export = std::make_unique<CArchiveExport>(station.config, m_core.Records(),
                                                        [this] { return m_core.Status(); });
            for (const std::string& problem : m_export->Start()) message += (message.empty() ? "" : "\n") + problem;
        }
    }
    m_health = std::make_unique<CHealthServer>(SourcesOf(m_core), m_options.health);
    m_health->AddMetrics([this] {
        std::vector<MetricFamily> families{StreamDrops(m_core.Records())};
        if (m_export) {
            std::vector<MetricFamily> exported = m_export->MetricFamilies();
            families.insert(families.end(), exported.begin(), exported.end());
        }
        return families;
    });
    m_health->Start();
    return message;
}
