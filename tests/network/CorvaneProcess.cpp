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
    const std::optional<QByteArray> previous =
        qEnvironmentVariableIsSet("XDG_CONFIG_HOME") ? std::optional(qgetenv("XDG_CONFIG_HOME")) : std::nullopt;
    qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
    CSettingsKey key;
    const bool stored = key.Open(kProductKeyPath, false) && key.WriteDword(kValueLogEnable, 1) &&
                        key.WriteString(kValueLogPath, logFolder + "/") && key.WriteWord(kValueRunPort, port);
    key.Close();
    previous ? qputenv("XDG_CONFIG_HOME", *previous) : qunsetenv("XDG_CONFIG_HOME");
    if (!stored)
        throw std::runtime_error("cannot write the settings store under " + configHome.toStdString());
}

}  // namespace

CorvaneProcess::CorvaneProcess(const SimProcess& sim, const QString& home, const QStringList& environment)
    : m_home(home.isEmpty() ? m_ownHome.path() : home) {
    if (!m_ownHome.isValid()) throw std::runtime_error("no temporary folder for the program");
    fs::create_directories(LogFolder());
    StoreRunSettings(m_home + "/config", LogFolder().string(), sim.Port());
    m_nPort = FreeLoopbackPort();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    env.insert("HOME", m_home);
    env.insert("XDG_CONFIG_HOME", m_home + "/config");
    env.insert("XDG_STATE_HOME", m_home + "/state");
    env.insert("CORVANE_DEVICE_DIR", QString::fromStdString(sim.DeviceDir()));
    for (const QString& entry : environment) env.insert(entry.section('=', 0, 0), entry.section('=', 1));
    m_process.setProcessEnvironment(env);
    // A file, not a pipe: nobody need read it while the program runs, so it never blocks on it. A
    // program started again in the same home adds to it.
    m_process.setStandardOutputFile(m_home + "/output.txt", QIODevice::Append);
    m_process.setStandardErrorFile(m_home + "/output.txt", QIODevice::Append);
    const std::size_t earlier = Output().size();
    m_process.start(QStringLiteral(CORVANE_PATH),
                    {"--start", "--headless", "--listen", QStringLiteral("127.0.0.1:%1").arg(m_nPort)});
    const bool listening = WaitFor(
        [&] {
            const std::string output = Output();
            return m_process.state() == QProcess::NotRunning ||
                   output.find(" http-listening ", earlier) != std::string::npos ||
                   output.find(" http-failed ", earlier) != std::string::npos;
        },
        20000);
    if (!listening || Output().find(" http-listening ", earlier) == std::string::npos) {
        Stop();
        throw std::runtime_error("corvane did not listen on port " + std::to_string(m_nPort) + ":\n" +
                                 Output());
    }
}

CorvaneProcess::~CorvaneProcess() {
    if (m_process.state() != QProcess::NotRunning) Stop();
}

std::vector<std::string> CorvaneProcess::LogLines() const {
    std::vector<fs::path> files(fs::directory_iterator(LogFolder()), fs::directory_iterator{});
    std::sort(files.begin(), files.end());
    std::vector<std::string> lines;
    for (const fs::path& file : files) std::ranges::copy(FileLines(file), std::back_inserter(lines));
    return lines;
}

std::string CorvaneProcess::Output() const {
    QFile file(m_home + "/output.txt");
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

double CorvaneProcess::ResidentBytes() const {
    std::ifstream status("/proc/" + std::to_string(m_process.processId()) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) * 1024;
    return 0;
}

std::optional<int> CorvaneProcess::WaitForExit(int timeoutMs) {
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(timeoutMs))
        return std::nullopt;
    // Qt gives the signal's number as the exit code of a crashed process.
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -m_process.exitCode();
}

int CorvaneProcess::Stop() {
    if (m_process.state() != QProcess::NotRunning) kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    const std::optional<int> status = WaitForExit(15000);
    if (!status) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    return status.value_or(-1) < 0 ? -1 : *status;
}
