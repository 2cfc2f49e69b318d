// The main window's acquisition sequences: Query, Zero, the window's part of Start Data with its
// questions and the log file choice, and Stop Data. Each sequence leases the link for its length;
// a run holds it from the start the window hands over to the run core until the run has ended.
#include <QFile>
#include <QPushButton>
#include <QTabWidget>

#include "SettingsNotSaved.h"
#include "control/CorvanePropertySheet.h"
#include "control/OperatorDialogs.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"
#include "pages/OverrideCursor.h"
#include "run/RunCore.h"
#include "serial/InstrumentCommands.h"
#include "settings/SettingsKey.h"

namespace {

using Buttons = IOperatorDialogs::Buttons;
using Answer = IOperatorDialogs::Answer;

constexpr const char* kUnsavedChanges =
    "Changes were made to the settings and not saved.\r\nDo you want to save them now?";
constexpr const char* kFaultQuestionEnd = " Error(s) occured.\r\n Continue?";
constexpr const char* kLogWriteError = "An error occured writing to the logfile.";

}  // namespace

std::optional<CLinkLease> CCorvanePropertySheet::OpenPortStep() {
    std::optional<CLinkLease> link = m_link.TryLease();
    if (!link) return std::nullopt;  // the run has it: its controls are disabled anyway
    if ((*link)->IsConnected()) return link;
    QString error;
    if (!m_pageComm->OpenSelectedPort(**link, error)) {
        // Open with the line settings refused is no use either: nothing stays open.
        (*link)->ClosePort();
        m_dialogs.MessageBox(this, error, Buttons::Ok);
        return std::nullopt;
    }
    m_nOpenPort = (*link)->GetPortNumber();
    UpdateTitle();
    return link;
}

void CCorvanePropertySheet::ClosePortStep(CLinkLease& link) {
    link->ClosePort();
    m_nOpenPort = 0;
    UpdateTitle();
}

void CCorvanePropertySheet::ShowCurrentRecords(const CurrentRecords& records) {
    m_pageData->OnTimeRecord(records.time);
    m_pageData->OnDataRecord(records.data);
    m_pageData->OnAuxRecord(records.aux);
    m_pageData->OnZeroRecord(records.zero);
}

void CCorvanePropertySheet::OnQuery() {
    const COverrideCursor busy(Qt::WaitCursor);
    std::optional<CLinkLease> link = OpenPortStep();
    if (!link) return;
    QWidget* page = m_tabs->currentWidget();
    if (page == m_pageSetup) {
        LoadSettings(**link);
    } else if (page == m_pageData) {
        (*link)->SendCommand("%s", InstrumentCommand::kBeforeRecords);
        ShowCurrentRecords(ReadCurrentRecords(**link));
        m_pageData->ClearCountdowns();
    }
    ClosePortStep(*link);
}

void CCorvanePropertySheet::OnZero() {
    {
        const COverrideCursor busy(Qt::WaitCursor);
        std::optional<CLinkLease> link = OpenPortStep();
        if (!link) return;
        (*link)->SendCommand("%s", InstrumentCommand::kStartZero);
        ClosePortStep(*link);
    }
    m_pageData->SetModeAfterBlanking('Z');
}

void CCorvanePropertySheet::OnStartStopData() {
    if (m_core.IsRunning())
        m_core.Stop("the operator");
    else
        StartData();
}

void CCorvanePropertySheet::StartData() {
    if (m_pageSetup->m_bModified) {
        const Answer answer = m_dialogs.MessageBox(this, kUnsavedChanges, Buttons::YesNoCancel);
        if (answer == Answer::Cancel || Ending()) return;
        if (answer == Answer::Yes) {
            m_pageSetup->CommitPageValues();
            ApplySettings();
            if (Ending()) return;
        }
    }

    const COverrideCursor busy(Qt::WaitCursor);
    std::optional<CLinkLease> link = OpenPortStep();
    if (!link) return;
    const InstrumentSetup setup = LoadSettings(**link);
    if (Ending() || (m_pageSetup->GetLogEnable() && !ChooseLogFile())) {
        ClosePortStep(*link);
        return;
    }
    const CurrentRecords records = ReadCurrentRecords(**link);
    ShowCurrentRecords(records);
    if (m_pageData->HasFault()) {
        const QString question = QString::fromStdString(m_pageData->GetStatusText()) + kFaultQuestionEnd;
        // A box closed by a stop signal goes no further either.
        if (m_dialogs.MessageBox(this, question, Buttons::YesNo) != Answer::Yes || Ending()) {
            ClosePortStep(*link);
            return;
        }
    }

    RunConfig config;
    config.port = m_nOpenPort;
    config.logging = m_pageSetup->GetLogEnable();
    config.logLength = m_pageSetup->GetLogLength();
    config.logFolder = m_core.Log().m_strLogPath;
    config.logFile = m_core.Log().m_strLogFile;
    config.model = m_snapshot.m_nModel;
    config.setup = setup;
    config.keepClockSeconds = m_pageSetup->GetKeepClock();
    if (m_pageData->HasInstrumentTime()) config.instrumentTime = m_pageData->GetInstrumentTime();
    // From here the run holds the open port: the caption shows the run's.
    m_nOpenPort = 0;
    m_core.Start(config, std::move(*link));
}

void CCorvanePropertySheet::ShowRunControls(bool bRunning) {
    m_btnStartData->setText(bRunning ? "&Stop Data" : "&Start Data");
    m_btnQuery->setEnabled(!bRunning);
    m_btnZero->setEnabled(!bRunning);
    m_pageComm->EnablePageControls(!bRunning);
    m_pageSetup->EnablePageControls(!bRunning);
    m_pageSetup->SetRunning(bRunning);
}

bool CCorvanePropertySheet::ChooseLogFile() {
    CDataLog& log = m_core.Log();
    const QString chosen = m_dialogs.ChooseLogFile(this, QFile::decodeName(log.m_strLogPath.c_str()),
                                                   QFile::decodeName(log.m_strLogFile.c_str()));
    if (chosen.isEmpty() || Ending()) return false;
    log.SetLogFilePath(QFile::encodeName(chosen).toStdString());
    CSettingsKey key;
    if (!key.Open(kProductKeyPath, false) || !key.WriteString(kValueLogPath, log.m_strLogPath))
        m_dialogs.MessageBox(this, SettingsNotSavedText(), Buttons::Ok);
    return !Ending();
}

void CCorvanePropertySheet::ShowLogError() {
    // One box at a time: lines go on being written behind it (the run core keeps and writes again
    // what fails), and further failures are not boxed again until the operator has dismissed it.
    if (m_bLogErrorShowing || Ending()) return;
    m_bLogErrorShowing = true;
    m_dialogs.MessageBox(this, kLogWriteError, Buttons::Ok);
    m_bLogErrorShowing = false;
}
