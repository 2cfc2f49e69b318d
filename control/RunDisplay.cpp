// What the main window shows of a data run: its state on the buttons, the pages and the caption, its
// records on the Data page and in the Trend view, and what the instrument part of an unattended
// start or a resume read. Also the two ways a run starts or ends without the operator: --start and
// a stop signal.
#include <QApplication>
#include <QPushButton>
#include <QTabWidget>

#include "control/CorvanePropertySheet.h"
#include "pages/DataPage.h"
#include "pages/InstSetupPage.h"
#include "pages/TrendPage.h"
#include "run/RunCore.h"
#include "run/StoredRun.h"
#include "station/EventJournal.h"
#include "station/RecoveryRules.h"

namespace {

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

// Ends every open box and dialog but the main window as if it were cancelled.
void CloseModalDialogs(const QWidget* mainWindow) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog != nullptr && dialog != mainWindow && dialog->isVisible() && dialog->isModal())
            dialog->done(QDialog::Rejected);
    }
}

}  // namespace

void CCorvanePropertySheet::OnRunState(RunState state) {
    const bool bRunning = state != RunState::Idle;
    if (bRunning != m_bRunShown) {
        m_bRunShown = bRunning;
        ShowRunControls(bRunning);
        if (bRunning) {
            m_tabs->setCurrentWidget(m_pageData);
            m_pageData->StartCountdowns();
        } else {
            m_pageData->StopCountdowns();
        }
    }
    m_btnStartData->setEnabled(state != RunState::Stopping);
    m_pageData->ShowNoInstrument(state == RunState::WaitingForInstrument
                                     ? "No instrument since " + ClockText(m_core.WaitingSince())
                                     : std::string());
    UpdateTitle();
    if (state == RunState::Idle && m_bStopSignal) {
        done(0);
        ShutDown();
    }
}

void CCorvanePropertySheet::OnRecords(const SharedRecordBatch& batch) {
    m_pageData->HoldLabels();
    for (const ReceivedRecord& record : *batch) {
        // Every record goes to the pages, whether or not they find it valid.
        ShowRecord(*m_pageData, record.line);
        m_pageTrend->OnRecordLine(record.line);
    }
    m_pageData->ShowClockOffset(m_core.Clock().OffsetSeconds());
    m_pageData->ShowHeldLabels();
}

void CCorvanePropertySheet::OnInstrumentRead(const InstrumentSetup& setup, const CurrentRecords& records) {
    ShowInstrumentSetup(setup);
    m_pageSetup->CommitPageValues();
    ShowCurrentRecords(records);
}

bool CCorvanePropertySheet::StartUnattended() {
    if (m_core.IsRunning()) return true;
    std::optional<RunConfig> config = StoredRunConfig();
    if (!config) {
        JournalEvent("run-not-started", "no Com port is known: start one run from the window first");
        return false;
    }
    if (m_bKeepClockGiven) config->keepClockSeconds = m_pageSetup->GetKeepClock();
    return m_core.StartUnattended(*config);
}

void CCorvanePropertySheet::ShowStationProblems(const std::string& text) {
    if (!Ending()) m_dialogs.MessageBox(this, QString::fromStdString(text), IOperatorDialogs::Buttons::Ok);
}

void CCorvanePropertySheet::SetKeepClockForSession(unsigned seconds) {
    m_bKeepClockGiven = true;
    m_pageSetup->RememberKeepClock(seconds);
}

void CCorvanePropertySheet::StopForSignal(const char* signalName) {
    m_bStopSignal = true;
    // Nothing carries on behind a box: each sequence sees Ending() once its box returns.
    CloseModalDialogs(this);
    if (m_core.IsRunning()) {
        m_core.Stop(std::string("signal ") + signalName);  // the window closes once the run has ended
        return;
    }
    done(0);
    ShutDown();
}
