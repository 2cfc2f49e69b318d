// The main window's acquisition sequences: Query, Zero, Start and Stop Data, the handling of the
// lines the instrument sends during a run, and the log file choice, the append of those lines and
// their sync to the disk.
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QMetaObject>
#include <ctime>
#include <optional>

#include "SettingsNotSaved.h"
#include "control/CorvanePropertySheet.h"
#include "station/EventJournal.h"
#include "control/RunRecovery.h"
#include "control/OperatorDialogs.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/TrendPage.h"
#include "pages/InstSetupPage.h"
#include "pages/OverrideCursor.h"
#include "records/Records.h"
#include "serial/InstrumentCommands.h"
#include "settings/SettingsKey.h"

namespace {

using Buttons = IOperatorDialogs::Buttons;
using Answer = IOperatorDialogs::Answer;

constexpr const char* kUnsavedChanges =
    "Changes were made to the settings and not saved.\r\nDo you want to save them now?";
constexpr const char* kFaultQuestionEnd = " Error(s) occured.\r\n Continue?";
constexpr const char* kLogWriteError = "An error occured writing to the logfile.";

// Hands one record line to the Data page by its letter.
void ShowRecord(CCorvaneDataPage& page, const std::string& line) {
    switch (line.front()) {
        case 'T':
            page.OnTimeRecord(line);
            break;
        case 'D':
            page.OnDataRecord(line);
            break;
        case 'Y':
            page.OnAuxRecord(line);
            break;
        case 'Z':
            page.OnZeroRecord(line);
            break;
        default:  // the photon records B, G and R
            page.OnPhotonRecord(line);
            break;
    }
}

}  // namespace

bool CCorvanePropertySheet::OpenPortStep() {
    if (m_link.IsConnected()) return true;
    QString error;
    if (!m_pageComm->OpenSelectedPort(error)) {
        // Open with the line settings refused is no use either: nothing stays open.
        m_link.ClosePort();
        m_dialogs.MessageBox(this, error, Buttons::Ok);
        return false;
    }
    UpdateTitle();
    return true;
}

void CCorvanePropertySheet::ReadCurrentRecords() {
    m_pageData->OnTimeRecord(m_link.SendCommand("%s", InstrumentCommand::kReadTime));
    m_pageData->OnDataRecord(m_link.SendCommand("%s", InstrumentCommand::kReadData));
    m_pageData->OnAuxRecord(m_link.SendCommand("%s", InstrumentCommand::kReadAux));
    m_pageData->OnZeroRecord(m_link.SendCommand("%s", InstrumentCommand::kReadZero));
}

void CCorvanePropertySheet::OnQuery() {
    const COverrideCursor busy(Qt::WaitCursor);
    if (!OpenPortStep()) return;
    QWidget* page = m_tabs->currentWidget();
    if (page == m_pageSetup) {
        LoadSettings();
    } else if (page == m_pageData) {
        m_link.SendCommand("%s", InstrumentCommand::kBeforeRecords);
        ReadCurrentRecords();
        m_pageData->ClearCountdowns();
    }
    m_link.ClosePort();
    UpdateTitle();
}

void CCorvanePropertySheet::OnZero() {
    {
        const COverrideCursor busy(Qt::WaitCursor);
        if (!OpenPortStep()) return;
        m_link.SendCommand("%s", InstrumentCommand::kStartZero);
        m_link.ClosePort();
        UpdateTitle();
    }
    m_pageData->SetModeAfterBlanking('Z');
}

void CCorvanePropertySheet::OnStartStopData() {
    if (m_bRunning == 0)
        StartData();
    else
        StopData();
}

void CCorvanePropertySheet::StartData() {
    if (m_pageSetup->m_bModified != 0) {
        const Answer answer = m_dialogs.MessageBox(this, kUnsavedChanges, Buttons::YesNoCancel);
        if (answer == Answer::Cancel) return;
        if (answer == Answer::Yes) {
            m_pageSetup->CommitPageValues();
            ApplySettings();
        }
    }

    const COverrideCursor busy(Qt::WaitCursor);
    if (!OpenPortStep()) return;
    LoadSettings();
    if (m_pageSetup->GetLogEnable() != 0 && !ChooseLogFile()) {
        m_link.ClosePort();
        UpdateTitle();
        return;
    }
    ReadCurrentRecords();
    if (m_pageData->HasFault()) {
        const QString question = QString::fromStdString(m_pageData->GetStatusText()) + kFaultQuestionEnd;
        if (m_dialogs.MessageBox(this, question, Buttons::YesNo) == Answer::No) {
            m_link.ClosePort();
            UpdateTitle();
            return;
        }
    }

    m_btnStartData->setText("&Stop Data");
    if (m_pageSetup->GetLogEnable() == 1) UpdateTitle();
    BeginUnpolled();
    ShowRunControls(true);
    m_tabs->setCurrentWidget(m_pageData);
    m_pageData->StartCountdowns();
    m_bRunning = 1;
    UpdateTitle();
    RunStartedOnInstrument();

    // The device may have gone while a question or the file dialog was open, when its notice found
    // no run to wait for it.
    if (m_link.IsLinkLost()) OnLinkLost();
}

void CCorvanePropertySheet::BeginUnpolled() {
    m_link.SendCommand("%s", InstrumentCommand::kBeforeRecords);
    // Unpolled before "UB": a record the instrument sends at once is queued as a record instead of
    // being taken for the reply and lost. The "OK" then arrives as a line (and is ignored), so this
    // command waits out its time-out, as "UE" does when the run stops.
    m_link.SetUnpolled(true);
    m_link.SendCommand("%s", InstrumentCommand::kStartUnpolled);
}

void CCorvanePropertySheet::ShowRunControls(bool bRunning) {
    m_btnStartData->setText(bRunning ? "&Stop Data" : "&Start Data");
    m_btnQuery->setEnabled(!bRunning);
    m_btnZero->setEnabled(!bRunning);
    m_pageComm->EnablePageControls(!bRunning);
    m_pageSetup->EnablePageControls(!bRunning);
    m_pageSetup->SetRunning(bRunning);
}

void CCorvanePropertySheet::StopData() {
    StopRun("the operator");
}

void CCorvanePropertySheet::StopRun(const char* by) {
    if (IsWaitingForInstrument()) {
        // Nothing to tell an instrument that is not there: the run ends at once.
        m_bRunning = 0;
        ShowWaiting(false);
        EndRun();
        JournalEvent("run-stopped", std::string("by ") + by + " while waiting for the instrument");
        return;
    }
    // Lines that arrived before Stop was pressed belong to the run: show and log them first.
    QCoreApplication::sendPostedEvents(this, CommEventType());

    const COverrideCursor busy(Qt::WaitCursor);
    m_btnStartData->setText("&Start Data");
    // Still unpolled: the instrument's reply comes back as a line, so this waits the whole time-out.
    m_link.SendCommand("%s", InstrumentCommand::kStopUnpolled);
    m_link.SetUnpolled(false);
    m_bRunning = 0;
    UpdateTitle();
    EndRun();
    JournalEvent("run-stopped", std::string("by ") + by);
}

void CCorvanePropertySheet::EndRun() {
    SyncLog();
    m_recovery->Stop();
    m_bNameLogFileByRule = false;
    m_link.ClosePort();
    UpdateTitle();
    ShowRunControls(false);
    m_pageData->StopCountdowns();
}

void CCorvanePropertySheet::OnCommEvent() {
    const bool bLogging = m_pageSetup->GetLogEnable() != 0 && m_bRunning != 0;
    const std::vector<std::string> lines = m_link.TakeRecordLines();
    if (!lines.empty()) m_recovery->LineArrived();
    for (const std::string& line : lines) {
        // Lines that are no records (an answer, line noise) are neither shown nor logged.
        if (line.empty() || !IsRecordLetter(line.front())) continue;
        ShowRecord(*m_pageData, line);
        m_pageTrend->OnRecordLine(line);
        // Every line is logged as received, whether or not the Data page found it valid.
        if (bLogging) LogLine(line);
    }
    if (bLogging) WriteLogLines();
}

bool CCorvanePropertySheet::ChooseLogFile() {
    const QString chosen = m_dialogs.ChooseLogFile(this, QFile::decodeName(m_log.m_strLogPath.c_str()),
                                                   QFile::decodeName(m_log.m_strLogFile.c_str()));
    if (chosen.isEmpty()) return false;
    m_log.SetLogFilePath(QFile::encodeName(chosen).toStdString());
    CSettingsKey key;
    if (!key.Open(kProductKeyPath, false) || !key.WriteString(kValueLogPath, m_log.m_strLogPath))
        m_dialogs.MessageBox(this, SettingsNotSavedText(), Buttons::Ok);
    return true;
}

void CCorvanePropertySheet::LogLine(const std::string& text) {
    // Files are named and rolled over by the instrument's clock when it has reported one. A new file
    // takes effect from this line on, also within the lines of one notification.
    const std::time_t reference =
        m_pageData->HasInstrumentTime() ? m_pageData->GetInstrumentTime() : std::time(nullptr);
    if (m_log.RollOver(reference, m_pageSetup->GetLogLength())) UpdateTitle();
    m_log.AddLine(text);
}

void CCorvanePropertySheet::WriteLogLines() {
    const std::optional<CDataLog::Clock::time_point> before = m_log.SyncDeadline();
    const bool bWritten = m_log.WritePending(CDataLog::Clock::now());
    NoteLogWrite(bWritten);
    const std::optional<CDataLog::Clock::time_point> after = m_log.SyncDeadline();
    if (after && after != before) m_logSync.Wake();
    if (!bWritten) ShowLogError();
}

void CCorvanePropertySheet::SyncLogIfDue(CDataLog::Clock::time_point now) {
    // The failure is boxed on the window's thread, unless the window is going by then.
    const auto report = [this] {
        if (!m_bShutDown) ShowLogError();
    };
    if (!m_log.SyncIfDue(now)) QMetaObject::invokeMethod(this, report, Qt::QueuedConnection);
}

void CCorvanePropertySheet::SyncLog() {
    if (!m_log.SyncNow()) ShowLogError();
}

void CCorvanePropertySheet::ShowLogError() {
    // One box at a time: lines go on being handled behind it, and their failures are not boxed
    // again until the operator has dismissed it. Each line still tries, so logging resumes by
    // itself once the file can be written again.
    if (m_bLogErrorShowing) return;
    m_bLogErrorShowing = true;
    m_dialogs.MessageBox(this, kLogWriteError, Buttons::Ok);
    m_bLogErrorShowing = false;
}
