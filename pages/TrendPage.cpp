// The Trend tab: the history, its view on the tab and the separate windows.
#include "pages/TrendPage.h"

#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <chrono>

#include "pages/TrendView.h"

namespace {

constexpr QSize kWindowSize(1000, 700);

}  // namespace

CTrendPage::CTrendPage(QWidget* parent) : QWidget(parent) {
    m_view = MakeView(this);
    auto* button = new QPushButton(QStringLiteral("&New Window"));
    button->setToolTip(QStringLiteral("Show the plots in a window of their own"));
    connect(button, &QPushButton::clicked, this, &CTrendPage::OpenWindow);
    m_view->AddButton(button);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

CTrendView* CTrendPage::MakeView(QWidget* parent) {
    CTrendView::Sources sources;
    sources.needHistory = [this](double from) { NeedHistory(from); };
    sources.openLogFiles = [this](CTrendView& view) { OpenLogFiles(view); };
    return new CTrendView(m_history, std::move(sources), parent);
}

void CTrendPage::SetLogFolderSource(std::function<std::string()> folder) {
    m_folder = std::move(folder);
}

void CTrendPage::OnRecordLine(const std::string& line) {
    // Records without a T record before them are placed at the PC's time, to the microsecond: in whole
    // seconds, a fast stream of them would share one time, and each new one be compared with them all.
    const std::chrono::duration<double> now = std::chrono::system_clock::now().time_since_epoch();
    if (!m_history.AddLiveLine(line, now.count())) return;
    // The run's records are kept for the widest window a view can show; the log files have the rest.
    m_history.ForgetLiveBefore(*m_history.NewestLive() - CTrendView::kLongestSpan);
    NotifyViews(true);
}

CTrendView* CTrendPage::OpenWindow() {
    // A window of its own, closed with the main window; the history stays with the page.
    CTrendView* view = MakeView(this);
    view->setWindowFlags(Qt::Window);
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowTitle(QStringLiteral("Corvane - Trend"));
    view->resize(kWindowSize);
    m_windows.emplace_back(view);
    view->show();
    return view;
}

void CTrendPage::NeedHistory(double from) {
    if (!m_folder) return;
    const std::string folder = m_folder();
    if (folder.empty()) return;
    if (m_history.LoadFolder(folder, static_cast<std::time_t>(from))) NotifyViews(false);
}

void CTrendPage::OpenLogFiles(CTrendView& view) {
    const QString folder = m_folder ? QFile::decodeName(m_folder().c_str()) : QString();
    const QStringList chosen = QFileDialog::getOpenFileNames(&view, QStringLiteral("Open Log File"), folder,
                                                             QStringLiteral("Data Log Files (*.DAT *.dat);;All Files (*)"));
    if (chosen.isEmpty()) return;
    std::vector<std::filesystem::path> files;
    for (const QString& file : chosen) files.emplace_back(QFile::encodeName(file).toStdString());
    const auto span = m_history.LoadFiles(files);
    NotifyViews(false);
    // The window moves to the end of what the files held.
    if (span) view.ShowFixedWindowEndingAt(span->second);
}

void CTrendPage::NotifyViews(bool live) {
    std::erase_if(m_windows, [](const QPointer<CTrendView>& view) { return view.isNull(); });
    m_view->HistoryChanged(live);
    for (const auto& view : m_windows) view->HistoryChanged(live);
}
