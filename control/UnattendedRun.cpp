// The main window's unattended operation: a run started with what is stored, a run that waits for
// a lost or silent instrument and resumes by itself, and the journal lines that explain each gap.
#include <QTabWidget>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "control/CorvanePropertySheet.h"
#include "station/EventJournal.h"
#include "control/RunRecovery.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"
#include "pages/OverrideCursor.h"
#include "serial/InstrumentCommands.h"
#include "settings/SettingsKey.h"

namespace {

std::string PortName(std::uint16_t nPort) {
    return "Com" + std::to_string(nPort);
}

std::string ClockText(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// The port list's stored index cannot say which port to wait for: the list holds only the ports
// that open, so it shrinks while the instrument is away.
std::uint16_t StoredRunPort() {
    std::uint16_t port = 0;
    CSettingsKey key;
    if (key.Open(kProductKeyPath, true)) key.ReadWord(kValueRunPort, port);
    return port;
}

}  // namespace

bool CCorvanePropertySheet::IsWaitingForInstrument() const {
    return m_recovery->IsWaiting();
}

bool CCorvanePropertySheet::StartUnattended() {
    if (m_bRunning != 0) return true;
    std::uint16_t port = StoredRunPort();
    if (port == 0) port = m_pageComm->SelectedPort();
    if (port == 0) {
        JournalEvent("run-not-started", "no Com port is known: start one run from the window first");
        return false;
    }
    m_nRunPort = port;
    m_bNameLogFileByRule = true;
    m_bSilentRestart = false;
    m_bRunning = 1;
    ShowRunControls(true);
    m_tabs->setCurrentWidget(m_pageData);
    // The first try is at once; the instrument part of the start follows when it answers.
    WaitForInstrument(std::time(nullptr), true);
    return true;
}

void CCorvanePropertySheet::StopForSignal(const char* signalName) {
    if (m_bRunning != 0) StopRun((std::string("signal ") + signalName).c_str());
    done(0);
    ShutDown();
}

void CCorvanePropertySheet::RunStartedOnInstrument() {
    m_nRunPort = m_link.GetPortNumber();
    CSettingsKey key;
    if (!key.Open(kProductKeyPath, false) || !key.WriteWord(kValueRunPort, m_nRunPort))
        JournalEvent("settings-error", "the run's Com port could not be stored for the next unattended start");
    JournalEvent("run-started", PortName(m_nRunPort) + (m_pageSetup->GetLogEnable() != 0
                                                            ? ", logging to " + m_log.FullPath()
                                                            : ", no logging"));
    WatchForLines();
}

void CCorvanePropertySheet::WatchForLines() {
    // Only records sent every averaging period can tell a silent instrument; zero records alone
    // come once per auto zero period, and with no records on nothing ever comes.
    const CCorvaneInstSetupPage& page = *m_pageSetup;
    if (page.GetDataRecords() || page.GetTimeRecords() || page.GetPhotonRecords() || page.GetAuxRecords())
        m_recovery->Watch(m_snapshot.m_strAveragingTime);
}

void CCorvanePropertySheet::OnLinkLost() {
    // A notice from an earlier opening, or one that a wait already handles, changes nothing.
    if (m_bRunning == 0 || IsWaitingForInstrument() || !m_link.IsLinkLost()) return;
    JournalEvent("instrument-lost", PortName(m_nRunPort) + ": the device has gone");
    m_link.SetUnpolled(false);
    m_link.ClosePort();
    m_bSilentRestart = false;
    WaitForInstrument(std::time(nullptr), false);
}

void CCorvanePropertySheet::OnSilent() {
    if (m_bRunning == 0 || IsWaitingForInstrument()) return;
    const std::time_t since = m_recovery->LastLineTime();
    JournalEvent("instrument-silent", PortName(m_nRunPort) + ": no line since " + ClockText(since) +
                                          "; ending unpolled output and checking the handshake");
    {
        const COverrideCursor busy(Qt::WaitCursor);
        m_link.SendCommand("%s", InstrumentCommand::kStopUnpolled);
    }
    m_link.SetUnpolled(false);
    // The handshake is checked by the normal open, off this thread like every try.
    m_link.ClosePort();
    m_bSilentRestart = true;
    WaitForInstrument(since, true);
}

void CCorvanePropertySheet::WaitForInstrument(std::time_t since, bool bTryAtOnce) {
    m_recovery->WaitForInstrument(m_nRunPort, bTryAtOnce);
    ShowWaiting(true, since);
}

void CCorvanePropertySheet::ShowWaiting(bool bWaiting, std::time_t since) {
    m_pageData->ShowNoInstrument(bWaiting ? "No instrument since " + ClockText(since) : std::string());
    UpdateTitle();
}

// The instrument part of a start, again: the settings loaded, the current records read, the
// unpolled output started. Nothing is asked.
void CCorvanePropertySheet::ResumeRun() {
    const bool bFirstContact = m_bNameLogFileByRule;
    const std::string gap = GapText(m_recovery->WaitedFor());
    ShowWaiting(false);
    const COverrideCursor busy(Qt::WaitCursor);
    LoadSettings();
    ReadCurrentRecords();
    if (bFirstContact) NameLogFileByRule();
    if (m_pageData->HasFault())
        JournalEvent("fault", m_pageData->GetStatusText() + " Error(s) reported; the run goes on");
    BeginUnpolled();
    UpdateTitle();
    if (bFirstContact) {
        m_pageData->StartCountdowns();
        RunStartedOnInstrument();
    } else {
        JournalEvent(m_bSilentRestart ? "silent-instrument-restarted" : "instrument-back",
                     PortName(m_nRunPort) + " after " + gap);
        WatchForLines();
    }
    if (m_link.IsLinkLost()) OnLinkLost();
}

void CCorvanePropertySheet::NameLogFileByRule() {
    m_bNameLogFileByRule = false;
    const std::time_t reference =
        m_pageData->HasInstrumentTime() ? m_pageData->GetInstrumentTime() : std::time(nullptr);
    m_log.MakeLogFileName(reference);
    m_log.DateChanged(reference);  // the file is named for this day: no rollover at the first line
    if (m_pageSetup->GetLogEnable() == 0 || std::filesystem::is_directory(m_log.m_strLogPath)) return;
    JournalEvent("log-folder-missing", m_log.m_strLogPath + ": creating it");
    std::error_code error;
    if (!std::filesystem::create_directories(m_log.m_strLogPath, error))
        JournalEvent("log-error", m_log.m_strLogPath + ": " + error.message() + "; trying again at each line");
}

void CCorvanePropertySheet::NoteLogWrite(bool bWritten) {
    if (bWritten) {
        if (m_bLogFailing) JournalEvent("log-recovered", m_log.FullPath());
        m_bLogFailing = false;
        return;
    }
    if (!m_bLogFailing) JournalEvent("log-error", m_log.FullPath() + ": " + std::strerror(errno));
    m_bLogFailing = true;
    // A log folder that has gone is made again, so that the next line can be written.
    std::error_code error;
    std::filesystem::create_directories(m_log.m_strLogPath, error);
}
