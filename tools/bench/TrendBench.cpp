// Trend rows: reading a week of log files back, redrawing it, its memory, and a run's CPU use
// with the Trend tab showing.
#include "TrendBench.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QTabWidget>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <qcustomplot.h>

#include "BenchSession.h"
#include "BenchTable.h"
#include "EventLoopWait.h"
#include "ProcessStats.h"
#include "run/DataLog.h"
#include "trend/TrendHistory.h"
#include "pages/TrendPage.h"
#include "pages/TrendView.h"

namespace {

constexpr int kWeekSeconds = 7 * 86400;

// Daily files of one T and one D record a second (and a Y record a minute) for the week before now.
void WriteWeekOfLogs(const std::filesystem::path& folder, std::time_t start) {
    std::ofstream out;
    int day = -1;
    char line[128];
    for (int s = 0; s < kWeekSeconds; ++s) {
        const std::time_t t = start + s;
        std::tm local{};
        localtime_r(&t, &local);
        if (local.tm_mday != day) {
            day = local.tm_mday;
            out.close();
            out.open(folder / CDataLog::DefaultFileName(t), std::ios::binary);
        }
        std::strftime(line, sizeof line, "T,%Y,%m,%d,%H,%M,%S\r\n", &local);
        out << line;
        const double wave = 1 + 0.5 * ((s / 600) % 7) / 7.0;
        std::snprintf(line, sizeof line, "D,N,%d,%.3f,%.3f,%.3f,%.3f,%.3f,%.3f\r\n", 3600 - s % 3600, 40 * wave,
                      30 * wave, 20 * wave, 5 * wave, 4 * wave, 3 * wave);
        out << line;
        if (s % 60 == 0) out << "Y,0,1013.2,294.5,294.1,38.2,0,0,0,0000\r\n";
    }
}

BenchTable MeasureWeek() {
    const auto folder = std::filesystem::temp_directory_path() / ("corvane-trend-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::time_t start = std::time(nullptr) - kWeekSeconds;
    WriteWeekOfLogs(folder, start);

    const std::int64_t before = ResidentKilobytes();
    CTrendHistory history;
    const double readStart = MonotonicSeconds();
    history.LoadFolder(folder, start);
    const double readSeconds = MonotonicSeconds() - readStart;
    const std::int64_t afterRead = ResidentKilobytes();

    // The separate window's size, a week shown; pans and zooms by keys, each redrawn and painted.
    CTrendView view(history, {});
    view.resize(1200, 800);
    view.show();
    view.findChild<QComboBox*>()->setCurrentIndex(3);
    WaitFor([] { return false; }, 500, 50);
    std::vector<double> redraws;
    // Half and whole weeks, moved back and forth, every window full of records.
    const int keys[] = {Qt::Key_Left, Qt::Key_Plus, Qt::Key_Right, Qt::Key_Minus};
    for (int i = 0; i < 30; ++i) {
        QKeyEvent press(QEvent::KeyPress, keys[i % 4], Qt::NoModifier);
        const double t0 = MonotonicSeconds();
        QApplication::sendEvent(&view.Plot(), &press);
        view.Plot().repaint();
        redraws.push_back((MonotonicSeconds() - t0) * 1e3);
    }
    const std::int64_t afterDraw = ResidentKilobytes();
    std::filesystem::remove_all(folder);
    return {
        {Format("Trend: a week of one-second records read from daily log files (%.0f D, %.0f T, %.0f Y records)",
                static_cast<double>(history.Data().scatter.Size()), static_cast<double>(history.Data().scatter.Size()),
                static_cast<double>(history.Data().aux.Size())),
         Format("%.2f s", readSeconds), "-", "< 2 s"},
        {"Trend: redraw of that week after a pan or zoom key (1200 x 800 window, 30 keys, half or whole week shown)",
         Format("median %.1f ms, slowest %.1f ms", Percentile(redraws, 50), *std::max_element(redraws.begin(), redraws.end())),
         "-", "< 100 ms"},
        {"Trend: resident memory added by that week, read / read and drawn",
         Format("%.0f MB / %.0f MB", static_cast<double>(afterRead - before) / 1024,
                static_cast<double>(afterDraw - before) / 1024),
         "-", "< 150 MB"}};
}

BenchRow MeasureRunCpu(int seconds) {
    BenchSession session({"--records", "TDY", "--averaging", "1"}, "trend.dat");
    CCorvanePropertySheet* sheet = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<CCorvanePropertySheet*>(window)) sheet = found;
    session.StartData();
    // The tab at its default 24 hours, and a separate window at one hour, where a pixel column is
    // about three seconds and live records redraw most often.
    sheet->Tabs().setCurrentIndex(sheet->Tabs().indexOf(&sheet->TrendPage()));
    CTrendView* window = sheet->TrendPage().OpenWindow();
    window->findChild<QComboBox*>()->setCurrentIndex(0);
    WaitFor([] { return false; }, 2000, 1000);  // settle after the start
    const double cpu0 = CpuSeconds(), wall0 = MonotonicSeconds();
    WaitFor([] { return false; }, seconds * 1000, 1000);
    const double share = (CpuSeconds() - cpu0) / (MonotonicSeconds() - wall0) * 100;
    const auto shown = sheet->TrendPage().History().Data().scatter.Size();
    session.StopData();
    window->close();
    return {Format("CPU use during a run at one T, D and Y record per second with the Trend tab (24 h) and a Trend "
                   "window (1 h, 1000 x 700) showing (%.0f s, %.0f records plotted)",
                   seconds, static_cast<double>(shown)),
            Format("%.3f %% of one core", share), "-", "< 1 %"};
}

}  // namespace

BenchTable MeasureTrend(int cpuSeconds) {
    BenchTable rows = MeasureWeek();
    rows.push_back(MeasureRunCpu(cpuSeconds));
    return rows;
}
