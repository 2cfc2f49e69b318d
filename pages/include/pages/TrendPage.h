// CTrendPage: the "Trend" tab. Holds the history (log folder, opened files, live records), shows it
// in a CTrendView and opens the same plots in separate resizable windows.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "trend/TrendHistory.h"

class CTrendView;

class CTrendPage : public QWidget {
    Q_OBJECT
public:
    explicit CTrendPage(QWidget* parent = nullptr);

    // Where the log files are: asked each time the history is read, as the folder may change.
    void SetLogFolderSource(std::function<std::string()> folder);
    // One record line of a run, as it is handled. The run's records are kept as far back as a view
    // can show, not for as long as the program runs.
    void OnRecordLine(const std::string& line);
    // Opens the plots in a window of their own; gives it.
    CTrendView* OpenWindow();

    CTrendView& View() { return *m_view; }
    const CTrendHistory& History() const { return m_history; }

private:
    CTrendView* MakeView(QWidget* parent);
    void NeedHistory(double from);
    void OpenLogFiles(CTrendView& view);
    void NotifyViews(bool live);

    CTrendHistory m_history;
    std::function<std::string()> m_folder;
    CTrendView* m_view = nullptr;
    std::vector<QPointer<CTrendView>> m_windows;
};
