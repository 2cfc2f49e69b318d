// The benchmark's session: simulator, link, window, settings store and log folder.
#include "BenchSession.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "EventLoopWait.h"
#include "FreePort.h"
#include "records/Records.h"
#include "settings/SettingsKey.h"

namespace fs = std::filesystem;

IOperatorDialogs::Answer BenchDialogs::MessageBox(QWidget*, const QString& text, Buttons buttons) {
    messages << text;
    return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
}

BenchSession::BenchSession(const std::vector<std::string>& simOptions, const std::string& fileName)
    : m_strFileName(fileName) {
    std::string pattern = (fs::temp_directory_path() / "corvane-bench-XXXXXX").string();
    m_folder = mkdtemp(pattern.data());
    fs::create_directories(LogFolder());
    setenv("XDG_CONFIG_HOME", (m_folder / "config").c_str(), 1);
    setenv("XDG_STATE_HOME", (m_folder / "state").c_str(), 1);  // the journal: not the operator's
    {
        CSettingsKey key;
        key.Open(kProductKeyPath, false);
        key.WriteDword(kValueLogEnable, 1);
        key.WriteWord(kValueLogLength, 0);
    }
    m_dialogs.logFile = QString::fromStdString(LogPath().string());

    m_sim = std::make_unique<SimProcess>(simOptions);
    setenv("CORVANE_DEVICE_DIR", m_sim->DeviceDir().c_str(), 1);
    m_link = std::make_unique<CSerialLink>();
    m_lender = std::make_unique<CLinkLender>(*m_link);
    m_core = std::make_unique<CRunCore>(*m_lender);
    m_sheet = std::make_unique<CCorvanePropertySheet>(*m_lender, *m_core, m_dialogs);
    m_sheet->show();
}

BenchSession::~BenchSession() {
    m_sheet.reset();
    m_services.reset();
    m_core.reset();
    m_lender.reset();
    m_link.reset();
    m_sim.reset();
    fs::remove_all(m_folder);
}

std::uint16_t BenchSession::StartStationServices() {
    ServicesOptions options;
    options.health.listen.port = FreeLoopbackPort();
    m_services = std::make_unique<CStationServices>(*m_core, options);
    m_services->Start();
    return options.health.listen.port;
}

void BenchSession::StartData() {
    if (!m_sheet->IsRunning()) m_sheet->OnStartStopData();
    WaitFor([this] { return m_core->State() == RunState::Running; }, 10000);
}

void BenchSession::StopData() {
    if (m_sheet->IsRunning()) m_sheet->OnStartStopData();
    WaitFor([this] { return m_core->State() == RunState::Idle; }, 10000);
}

std::vector<std::pair<double, std::string>> BenchSession::RunLines() const {
    std::vector<std::pair<double, std::string>> lines;
    for (const std::string& entry : m_sim->TranscriptLines()) {
        const std::size_t space = entry.find(' ');
        if (space == std::string::npos) continue;
        const std::string rest = entry.substr(space + 1);
        if (rest == "RX UB") {
            lines.clear();
        } else if (rest.rfind("TX ", 0) == 0 && rest.size() > 3 && IsRecordLetter(rest[3])) {
            lines.emplace_back(std::stod(entry.substr(0, space)), rest.substr(3));
        }
    }
    return lines;
}

std::vector<std::string> BenchSession::LogLines() const {
    std::ifstream in(LogPath(), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}
