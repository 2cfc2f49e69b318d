// The program as a station starts it: its command line, and a headless run ended by SIGTERM.
// These run the built corvane without a display.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "SimProcess.h"
#include "app/CommandLine.h"
#include "app/Version.h"
#include "settings/SettingsKey.h"

namespace {

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

QProcessEnvironment NoDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    return env;
}

Outcome RunCorvane(const QStringList& arguments) {
    QProcess corvane;
    corvane.setProcessEnvironment(NoDisplay());
    corvane.start(CORVANE_PATH, arguments);
    corvane.waitForFinished(15000);
    return {corvane.exitCode(), corvane.readAllStandardOutput(), corvane.readAllStandardError()};
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(CommandLine, HelpVersionAndUsageErrors) {
    const Outcome version = RunCorvane({"--version"}), help = RunCorvane({"--help"});
    EXPECT_EQ(version.exitCode + help.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("corvane %1\n").arg(GetVersionString()));
    EXPECT_TRUE(help.out.startsWith("Usage: corvane [options]") && help.out.contains("--headless")) << help.out.toStdString();

    const std::pair<QStringList, QString> errors[] = {
        {{"--bogus"}, "corvane: Unknown option 'bogus'.\n"},
        {{"--headless"}, "corvane: --headless needs --start.\n"},
        {{"--start", "COM1"}, "corvane: unexpected argument 'COM1'.\n"},
        {{"--keep-clock", "1"}, "corvane: --keep-clock takes 0 (off) or 2 to 86400 seconds, not '1'.\n"},
        {{"--keep-clock=86401"}, "corvane: --keep-clock takes 0 (off) or 2 to 86400 seconds, not '86401'.\n"},
        {{"--listen", "station.example:8735"},
         "corvane: --listen: 'station.example' is not an IPv4 address or an IPv6 address in brackets.\n"},
    };
    for (const auto& [arguments, error] : errors) {
        const Outcome refused = RunCorvane(arguments);
        EXPECT_EQ(refused.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
        EXPECT_TRUE(refused.err.startsWith(error + "Usage: corvane")) << refused.err.toStdString();
    }
    CommandLine taken;
    EXPECT_EQ(ParseCommandLine({"corvane", "--keep-clock=0"}, taken), std::nullopt);
    EXPECT_EQ(taken.keepClockSeconds, 0u);  // given: off, whatever is stored
}

TEST(CommandLine, HeadlessRunWaitsForItsInstrumentAndStopsOnSigtermLikeStopData) {
    QTemporaryDir home;
    const std::string config = home.filePath("config").toStdString(), logs = home.filePath("logs").toStdString();
    const std::string state = home.filePath("state").toStdString();
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Open(kProductKeyPath, false));
        key.WriteDword(kValueLogEnable, 1);
        key.WriteString(kValueLogPath, logs + "/");
        key.WriteWord(kValueRunPort, 1);  // the port of an earlier session's run
    }
    // The instrument comes a second after the program.
    SimProcess sim({"--records", "DTY", "--averaging", "1", "--speed", "20", "--clock", "2005-09-20T10:00:00",
                    "--appear-after", "1"});

    QProcess corvane;
    QProcessEnvironment env = NoDisplay();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config));
    env.insert("XDG_STATE_HOME", QString::fromStdString(state));
    env.insert("CORVANE_DEVICE_DIR", QString::fromStdString(sim.DeviceDir()));
    corvane.setProcessEnvironment(env);
    corvane.start(CORVANE_PATH, {"--start", "--headless", "--listen", "off"});
    ASSERT_TRUE(corvane.waitForStarted());
    // The stored folder does not exist yet: it is made, and the file named by the instrument's date.
    const std::string log = logs + "/CV050920.dat";
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lines(log).size() >= 6; }, 15000)) << corvane.readAllStandardError().toStdString();

    kill(static_cast<pid_t>(corvane.processId()), SIGTERM);
    ASSERT_TRUE(corvane.waitForFinished(10000));
    EXPECT_EQ(corvane.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(corvane.exitCode(), 0);
    EXPECT_EQ(sim.ReceivedCommands().back(), "UE");

    for (const std::string& line : Lines(log)) EXPECT_TRUE(line.ends_with('\r')) << "not whole: " << line;
    // The simulator's clock is years off the PC's: said once, it is not what this test is about.
    std::vector<std::string> journal = Lines(state + "/corvane/events.log");
    std::erase_if(journal, [](const std::string& line) { return line.find(" clock-offset ") != std::string::npos; });
    const char* expected[] = {" started Corvane ", " pc-clock ", " reconnect-failed Com1: ", " log-folder-missing ",
                              " run-started Com1, logging to ", " run-stopped by signal SIGTERM",
                              " stopped exit status 0"};
    std::string all;
    for (const std::string& line : journal) all += line + "\n";
    ASSERT_EQ(journal.size(), std::size(expected)) << all;
    for (std::size_t i = 0; i < journal.size(); ++i) EXPECT_NE(journal[i].find(expected[i]), std::string::npos) << journal[i];
    unsetenv("XDG_CONFIG_HOME");
}

TEST(CommandLine, StandardErrorWithoutAReaderEndsNothing) {
    // As in corvane --start --headless 2>&1 | head once head has gone. No port is known, so the start
    // is refused and journaled, and the program ends with status 1, not by SIGPIPE.
    QTemporaryDir home;
    int closed[2];
    ASSERT_EQ(pipe(closed), 0);
    close(closed[0]);
    QProcess corvane;
    QProcessEnvironment env = NoDisplay();
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_STATE_HOME", home.filePath("state"));
    env.insert("CORVANE_DEVICE_DIR", home.path());
    corvane.setProcessEnvironment(env);
    corvane.setChildProcessModifier([&closed] { dup2(closed[1], STDERR_FILENO); });
    corvane.start(CORVANE_PATH, {"--start", "--headless"});
    ASSERT_TRUE(corvane.waitForFinished(15000));
    close(closed[1]);
    EXPECT_EQ(corvane.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(corvane.exitCode(), 1);
    const std::vector<std::string> journal = Lines(home.filePath("state/corvane/events.log").toStdString());
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_NE(journal[1].find(" run-not-started "), std::string::npos) << journal[1];
    EXPECT_NE(journal[2].find(" stopped exit status 1"), std::string::npos) << journal[2];
}
