// The real program, headless, against the simulator.
#include "CorvaneProcess.h"

#include <signal.h>

#include <QFile>
#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "EventLoopWait.h"
#include "FreePort.h"
#include "RunFiles.h"
#include "SimProcess.h"
#include "settings/SettingsKey.h"

namespace fs = std::filesystem;

namespace {

// What an earlier session left in the store: logging into logFolder, the run's Com port known.
void StoreRunSettings(const QString& configHome, const std::string& logFolder, std::uint16_t port) {
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    const bool hadPrevious = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
    CSettingsKey key;
    const bool stored = key.Open(kProductKeyPath, false) && key.WriteDword(kValueLogEnable, 1) &&
                        key.WriteString(kValueLogPath, logFolder + "/") && key.WriteWord(kValueRunPort, port);
    key.Close();
    if (hadPrevious)
        qputenv("XDG_CONFIG_HOME", previous);
    else
        qunsetenv("XDG_CONFIG_HOME");
    if (!stored)
        throw std::runtime_error("cannot write the settings store under " + configHome.toStdString());
}

}  // namespace

CorvaneProcess::CorvaneProcess(const SimProcess& sim, const QStringList& extraArguments) {
    if (!m_home.isValid()) throw std::runtime_error("no temporary folder for the program");
    fs::create_directories(m_home.filePath("logs").toStdString());
    StoreRunSettings(m_home.filePath("config"), m_home.filePath("logs").toStdString(), sim.Port());
    m_nPort = FreeLoopbackPort();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    env.insert("HOME", m_home.path());
    env.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    env.insert("XDG_STATE_HOME", m_home.filePath("state"));
    env.insert("CORVANE_DEVICE_DIR", QString::fromStdString(sim.DeviceDir()));
    m_process.setProcessEnvironment(env);
    // A file, not a pipe: nobody need read it while the program runs, so it never blocks on it.
    m_process.setStandardOutputFile(m_home.filePath("output.txt"));
    m_process.setStandardErrorFile(m_home.filePath("output.txt"), QIODevice::Append);
    m_process.start(QStringLiteral(CORVANE_PATH), QStringList{"--start", "--headless", "--listen",
                                                              QStringLiteral("127.0.0.1:%1").arg(m_nPort)} +
                                                      extraArguments);
    const bool listening = WaitFor(
        [this] {
            const std::string output = Output();
            return m_process.state() == QProcess::NotRunning ||
                   output.find(" http-listening ") != std::string::npos ||
                   output.find(" http-failed ") != std::string::npos;
        },
        20000);
    if (!listening || Output().find(" http-listening ") == std::string::npos) {
        Stop();
        throw std::runtime_error("corvane did not listen on port " + std::to_string(m_nPort) + ":\n" +
                                 Output());
    }
}

CorvaneProcess::~CorvaneProcess() {
    if (m_process.state() != QProcess::NotRunning) Stop();
}

QString CorvaneProcess::Url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_nPort).arg(path);
}

std::vector<std::string> CorvaneProcess::LogLines() const {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_home.filePath("logs").toStdString()))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<std::string> lines;
    for (const fs::path& file : files) {
        const std::vector<std::string> fileLines = FileLines(file);
        lines.insert(lines.end(), fileLines.begin(), fileLines.end());
    }
    return lines;
}

std::string CorvaneProcess::Output() const {
    QFile file(m_home.filePath("output.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

double CorvaneProcess::ResidentBytes() const {
    std::ifstream status("/proc/" + std::to_string(m_process.processId()) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) * 1024;
    return 0;
}

int CorvaneProcess::Stop() {
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(15000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}
