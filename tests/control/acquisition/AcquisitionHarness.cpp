// The end-to-end fixture: simulator, link, window, settings store and log folder per test.
#include "AcquisitionHarness.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <iterator>

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

void AcquisitionTest::StoreLogging(bool enable, std::uint16_t length) {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    key.WriteDword(kValueLogEnable, enable ? 1 : 0);
    key.WriteWord(kValueLogLength, length);
    key.WriteString(kValueLogPath, LogFolder().string() + "/");
}

QPushButton* AcquisitionTest::Button(int id) const {
    return m_sheet->findChild<QPushButton*>(QString::number(id));
}

void AcquisitionTest::Click(int id) {
    QPushButton* button = Button(id);
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
}

bool AcquisitionTest::WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    // A plain event loop, as the program runs: the serial link's notifications are handled as they
    // come, with no pauses between passes (which would let the record queues fill up).
    if (condition()) return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start(10);
    loop.exec();
    return condition();
}

std::vector<std::string> AcquisitionTest::Commands() const {
    return m_sim->ReceivedCommands();
}

std::vector<std::string> AcquisitionTest::RunLines() const {
    std::vector<std::string> lines;
    bool running = false;
    for (const std::string& entry : m_sim->TranscriptLines()) {
        const std::size_t space = entry.find(' ');
        if (space == std::string::npos) continue;
        const std::string rest = entry.substr(space + 1);
        if (rest == "RX UB") {
            running = true;
            lines.clear();
        } else if (rest == "RX UE" && running) {
            break;
        } else if (running && rest.rfind("TX ", 0) == 0 && rest.size() > 3 && IsRecordLetter(rest[3])) {
            lines.push_back(rest.substr(3));
        }
    }
    return lines;
}

std::vector<std::string> AcquisitionTest::FileLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
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
