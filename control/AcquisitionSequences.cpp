// The main window's acquisition sequences: Query, Zero, Start and Stop Data, the handling of each
// line the instrument sends during a run, and the log file choice and append of that line.
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <ctime>

#include "SettingsNotSaved.h"
#include "control/CorvanePropertySheet.h"
#include "control/OperatorDialogs.h"
#include "pages/CommSetupPage.h"
#include "pages/DataPage.h"
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
constexpr const char* kLinkLost =
    "The connection to the instrument was lost, so data acquisition has stopped.\r\n"
    "Every line received before that has been kept. Check the cable and the instrument, then start "
    "the data again.";

// Reads the instrument's current T, D, Y and Z records into the Data page.
void ReadCurrentRecords(CSerialLink& link, CCorvaneDataPage& page) {
    page.OnTimeRecord(link.SendCommand("%s", InstrumentCommand::kReadTime));
    page.OnDataRecord(link.SendCommand("%s", InstrumentCommand::kReadData));
    page.OnAuxRecord(link.SendCommand("%s", InstrumentCommand::kReadAux));
    page.OnZeroRecord(link.SendCommand("%s", InstrumentCommand::kReadZero));
}

}  // namespace

bool CCorvanePropertySheet::OpenPortStep() {
    if (m_link.IsConnected()) return true;
    QString error;
    if (!m_pageComm->OpenSelectedPort(error)) {
        m_dialogs.MessageBox(this, error, Buttons::Ok);
        return false;
    }
    UpdateTitle();
    return true;
}

void CCorvanePropertySheet::OnQuery() {
    const COverrideCursor busy(Qt::WaitCursor);
    if (!OpenPortStep()) return;
    QWidget* page = m_tabs->currentWidget();
    if (page == m_pageSetup) {
        LoadSettings();
    } else if (page == m_pageData) {
        m_link.SendCommand("%s", InstrumentCommand::kBeforeRecords);
        ReadCurrentRecords(m_link, *m_pageData);
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
    ReadCurrentRecords(m_link, *m_pageData);
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
    m_link.SendCommand("%s", InstrumentCommand::kBeforeRecords);
    // Unpolled before "UB": a record the instrument sends at once is queued as a record instead of
    // being taken for the reply and lost. The "OK" then arrives as a line (and is ignored), so this
    // command waits out its time-out, as "UE" does when the run stops.
    m_link.SetUnpolled(true);
    m_link.SendCommand("%s", InstrumentCommand::kStartUnpolled);

    m_btnQuery->setEnabled(false);
    m_btnZero->setEnabled(false);
    m_pageComm->EnablePageControls(false);
    m_pageSetup->EnablePageControls(false);
    m_pageSetup->SetRunning(true);
    m_tabs->setCurrentWidget(m_pageData);
    m_pageData->StartCountdowns();
    m_bRunning = 1;
    UpdateTitle();

    // The device may have gone while a question or the file dialog was open, when its notice found
    // no run to end.
    if (m_link.IsLinkLost()) EndRunOnLinkLost();
}

void CCorvanePropertySheet::StopData() {
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
}

void CCorvanePropertySheet::EndRunOnLinkLost() {
    if (m_bRunning == 0) return;
    m_btnStartData->setText("&Start Data");
    m_link.SetUnpolled(false);
    m_bRunning = 0;
    EndRun();
    m_dialogs.MessageBox(this, kLinkLost, Buttons::Ok);
}

void CCorvanePropertySheet::EndRun() {
    m_link.ClosePort();
    UpdateTitle();
    m_btnQuery->setEnabled(true);
    m_btnZero->setEnabled(true);
    m_pageComm->EnablePageControls(true);
    m_pageSetup->EnablePageControls(true);
    m_pageSetup->SetRunning(false);
    m_pageData->StopCountdowns();
}

int CCorvanePropertySheet::OnCommEvent(std::uint16_t letter) {
    // Letters arrive as their codes; bytes above 0x7F arrive as 0xFF80-0xFFFF.
    const char recordLetter = static_cast<char>(letter);
    if (letter > 0x7F || !IsRecordLetter(recordLetter)) return -1;

    // Each notification stands for one queued line. A queue found empty means its line was dropped
    // by the link; there is nothing to show, and no empty line is written in its place.
    std::string line;
    if (!m_link.TakeRecordLine(recordLetter, line)) return 0;
    switch (recordLetter) {
        case 'T':
            m_pageData->OnTimeRecord(line);
            break;
        case 'D':
            m_pageData->OnDataRecord(line);
            break;
        case 'Y':
            m_pageData->OnAuxRecord(line);
            break;
        case 'Z':
            m_pageData->OnZeroRecord(line);
            break;
        default:  // the photon records B, G and R
            m_pageData->OnPhotonRecord(line);
            break;
    }
    // Every line is logged as received, whether or not the Data page found it valid.
    if (m_pageSetup->GetLogEnable() != 0 && m_bRunning != 0 && !LogLine(line)) return -1;
    return 0;
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

bool CCorvanePropertySheet::LogLine(const std::string& text) {
    // Files are named and rolled over by the instrument's clock when it has reported one.
    const std::time_t reference =
        m_pageData->HasInstrumentTime() ? m_pageData->GetInstrumentTime() : std::time(nullptr);
    if (m_log.RollOver(reference, m_pageSetup->GetLogLength())) UpdateTitle();
    if (m_log.AppendLine(text)) return true;

    // One box at a time: lines go on being handled behind it, and their failures are not boxed
    // again until the operator has dismissed it. Each line still tries, so logging resumes by
    // itself once the file can be written again.
    if (!m_bLogErrorShowing) {
        m_bLogErrorShowing = true;
        m_dialogs.MessageBox(this, kLogWriteError, Buttons::Ok);
        m_bLogErrorShowing = false;
    }
    return false;
}
