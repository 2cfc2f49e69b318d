// The start-up probes and their timing.
#include "StartupTimes.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "BenchSession.h"
#include "ProcessStats.h"
#include "control/CorvanePropertySheet.h"
#include "pages/Icons.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Prints the time of the window's first paint and ends the process at once.
class FirstPaint : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            std::printf("%.9f\n", MonotonicSeconds());
            std::fflush(stdout);
            _exit(0);
        }
        return false;
    }
};

// Starts one probe and returns the milliseconds from its start to its first paint; 0 on failure.
double TimeOneStartup(const std::string& self, const char* probe) {
    int out[2];
    if (pipe(out) != 0) return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args = {self, "--startup-probe", probe};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const double start = MonotonicSeconds();
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    char text[64] = {};
    const ssize_t n = spawned == 0 ? read(out[0], text, sizeof text - 1) : -1;
    close(out[0]);
    if (spawned == 0) waitpid(pid, nullptr, 0);
    return n > 0 ? (std::atof(text) - start) * 1e3 : 0;
}

}  // namespace

int RunStartupProbe(const std::string& probe, int& argc, char** argv) {
    QApplication app(argc, argv);
    FirstPaint firstPaint;
    if (probe == "dialog" || probe == "label") {
        QDialog dialog;
        // A line of text makes the dialog read the font configuration, as any window with text must.
        if (probe == "label") (new QVBoxLayout(&dialog))->addWidget(new QLabel(QStringLiteral("Corvane")));
        dialog.installEventFilter(&firstPaint);
        dialog.show();
        return app.exec();
    }
    // As the program starts: its name and icon, the link, and the main window shown.
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setWindowIcon(IconFor(IconId::Application));
    CSerialLink link;
    CLinkLender lender(link);
    CRunCore core(lender);
    BenchDialogs dialogs;
    CCorvanePropertySheet sheet(lender, core, dialogs);
    sheet.installEventFilter(&firstPaint);
    sheet.show();
    return app.exec();
}

BenchTable MeasureStartup(int runs, const std::string& self) {
    // A private settings store and an empty device folder, so that no port on this machine counts.
    std::string pattern = (fs::temp_directory_path() / "corvane-startup-XXXXXX").string();
    const fs::path folder = mkdtemp(pattern.data());
    fs::create_directories(folder / "devices");
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    setenv("CORVANE_DEVICE_DIR", (folder / "devices").c_str(), 1);
    std::vector<double> sheet, dialog, label;
    for (int i = 0; i < runs; ++i) {
        dialog.push_back(TimeOneStartup(self, "dialog"));
        label.push_back(TimeOneStartup(self, "label"));
        sheet.push_back(TimeOneStartup(self, "sheet"));
    }
    fs::remove_all(folder);
    const double sheetMs = Percentile(sheet, 50), dialogMs = Percentile(dialog, 50);
    const double labelMs = Percentile(label, 50);
    return {{Format("Ceiling: start-up of a bare Qt dialog to its first paint (median of %.0f)", runs),
             Format("%.1f ms", dialogMs), "1 x", "-"},
            {Format("Start-up of a Qt dialog with one label to its first paint (median of %.0f)", runs),
             Format("%.1f ms", labelMs), Ratio(labelMs, dialogMs), "-"},
            {Format("Start-up of the main window to its first paint (median of %.0f)", runs),
             Format("%.1f ms", sheetMs),
             Ratio(sheetMs, dialogMs) + ", " + Ratio(sheetMs, labelMs) + " of the labelled dialog",
             "<= 1.2 x"}};
}
