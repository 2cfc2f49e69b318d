// The station of the end-to-end tests: its home, the program as a process, and what it leaves behind.
#include "StationUnderTest.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "archive/HourKey.h"

namespace fs = std::filesystem;

namespace {

// The test station's description with export on, sending to the server.
std::string StationDescription(const CTestSshServer& server) {
    std::string text = ReadText(TestData("data/station.conf"));
    text.replace(text.find("export = off"), std::string("export = off").size(), "export = on");
    return text + "upload_url = " + server.Url() + "\nupload_key = " + server.ClientKey().string() +
           "\nupload_host_key = " + server.Fingerprint() + "\n";
}

// The archive files of the folder, or every other file; by name.
std::vector<std::string> ArchiveFiles(const fs::path& folder, bool archive = true) {
    std::vector<std::string> names = FileNames(folder);
    std::erase_if(names,
                  [&](const std::string& name) { return HourKeyOfFileName(name).has_value() != archive; });
    return names;
}

}  // namespace

CStationUnderTest::CStationUnderTest(const std::vector<std::string>& simulatorOptions) {
    fs::create_directories(m_home.Path() / "config/corvane");
    WriteText(StationFile(), StationDescription(m_server));
    m_sim = std::make_unique<SimProcess>(simulatorOptions);
}

CorvaneProcess& CStationUnderTest::StartProgram(const QStringList& environment) {
    m_program.reset();
    m_program.emplace(*m_sim, QString::fromStdString(m_home.Path().string()), environment);
    return *m_program;
}

std::string CStationUnderTest::Journal() const {
    return ReadText(m_home.Path() / "state/corvane/events.log");
}

std::vector<std::string> CStationUnderTest::JournalLines(const std::string& word) const {
    std::vector<std::string> found;
    std::istringstream lines(Journal());
    for (std::string line; std::getline(lines, line);)
        if (line.find(' ' + word + ' ') != std::string::npos) found.push_back(line);
    return found;
}

std::vector<std::string> CStationUnderTest::ServerFiles() const {
    std::vector<std::string> names = ArchiveFiles(ServerFolder());
    std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        return fs::last_write_time(ServerFolder() / a) < fs::last_write_time(ServerFolder() / b);
    });
    return names;
}

std::vector<std::string> CStationUnderTest::ServerLeftovers() const {
    return ArchiveFiles(ServerFolder(), false);
}

std::vector<std::string> CStationUnderTest::OutboxFiles() const {
    return ArchiveFiles(Outbox());
}

std::vector<std::string> HourIds(const std::vector<std::string>& names) {
    std::vector<std::string> ids;
    for (const std::string& name : names) ids.push_back(HourKeyOfFileName(name).value().Id());
    return ids;
}

std::map<std::time_t, std::set<std::time_t>> LogRowsByHour(const fs::path& folder,
                                                           std::chrono::seconds averaging) {
    std::map<std::time_t, std::set<std::time_t>> rows;
    for (const std::string& log : FileNames(folder)) {
        std::ifstream in(folder / log, std::ios::binary);
        std::optional<std::time_t> time;
        for (std::string line; std::getline(in, line);) {
            std::tm local{};
            if (std::sscanf(line.c_str(), "T,%d,%d,%d,%d,%d,%d", &local.tm_year, &local.tm_mon,
                            &local.tm_mday, &local.tm_hour, &local.tm_min, &local.tm_sec) == 6) {
                local.tm_year -= 1900;
                local.tm_mon -= 1;
                local.tm_isdst = -1;
                time = std::mktime(&local);
            } else if (time && (line.starts_with("D,") || line.starts_with("Y,"))) {
                const std::time_t start = *time - averaging.count();
                rows[start - start % 3600].insert(*time);
            }
        }
    }
    return rows;
}
