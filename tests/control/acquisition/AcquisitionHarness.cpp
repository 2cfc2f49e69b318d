// The end-to-end fixture: simulator, link, window, settings store and log folder per test.
#include "AcquisitionHarness.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "pages/InstSetupPage.h"
#include "records/Records.h"
#include "settings/SettingsKey.h"

namespace fs = std::filesystem;

void AcquisitionTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "corvane-acq-XXXXXX").string();
    m_folder = mkdtemp(pattern.data());
    fs::create_directories(LogFolder());
    setenv("XDG_CONFIG_HOME", (m_folder / "config").c_str(), 1);
}

void AcquisitionTest::TearDown() {
    m_sheet.reset();  // its shut-down ends any run before the simulator goes
    m_link.reset();
    m_sim.reset();
    fs::remove_all(m_folder);
}

void AcquisitionTest::Start(const std::vector<std::string>& simOptions) {
    m_sim = std::make_unique<SimProcess>(simOptions);
    setenv("CORVANE_DEVICE_DIR", m_sim->DeviceDir().c_str(), 1);
    m_link = std::make_unique<CSerialLink>();
    m_link->SetTimeouts(kReplyMs, kOpenMs);
    m_link->SetCommEventMessage(static_cast<std::uint32_t>(CCorvanePropertySheet::CommEventType()));
    m_sheet = std::make_unique<CCorvanePropertySheet>(*m_link, m_dialogs);
    QObject::connect(m_sheet.get(), &QWidget::windowTitleChanged,
                     [this](const QString& t) { m_titles << t; });
    m_sheet->show();
}

void AcquisitionTest::StoreLogging(std::uint16_t length) {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    key.WriteDword(kValueLogEnable, 1);
    key.WriteWord(kValueLogLength, length);
    key.WriteString(kValueLogPath, LogFolder().string() + "/");
}

void AcquisitionTest::ClickSetup(int id) {
    QTest::mouseClick(Control(&m_sheet->SetupPage(), id), Qt::LeftButton);
}

std::vector<std::string> AcquisitionTest::CommandsSince(std::size_t count) const {
    const std::vector<std::string> all = Commands();
    return {all.begin() + static_cast<long>(std::min(count, all.size())), all.end()};
}

std::vector<std::string> AcquisitionTest::RunLines() const {
    std::vector<std::string> lines;
    bool running = false;
    for (const std::string& entry : m_sim->TranscriptLines()) {
        const std::string rest = entry.substr(entry.find(' ') + 1);
        if (rest == "RX UB") {
            running = true;
            lines.clear();
        } else if (rest == "RX UE" && running) {
            break;
        } else if (running && rest.starts_with("TX ") && rest.size() > 3 && IsRecordLetter(rest[3])) {
            lines.push_back(rest.substr(3));
        }
    }
    return lines;
}

std::vector<std::string> AcquisitionTest::FileLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        const bool whole = !in.eof() && line.ends_with('\r');
        lines.push_back(whole ? line.substr(0, line.size() - 1) : line + "<no CR LF>");
    }
    return lines;
}

std::optional<std::uint32_t> AcquisitionTest::StoredNumber(const char* name) {
    CSettingsKey key;
    std::uint32_t value = 0;
    if (!key.Open(kProductKeyPath, true) || !key.ReadDword(name, value)) return std::nullopt;
    return value;
}

std::optional<std::string> AcquisitionTest::StoredText(const char* name) {
    CSettingsKey key;
    std::string value;
    if (!key.Open(kProductKeyPath, true) || !key.ReadString(name, value)) return std::nullopt;
    return value;
}
