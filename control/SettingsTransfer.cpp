// The main window's settings transfer: the Setup page loaded from the store and the instrument,
// its settings applied to both, the instrument's clock set from the computer's, and the check that
// forbids weekly log files a day's data would make too large.
#include <QString>
#include <cstdio>
#include <ctime>

#include "SettingsNotSaved.h"
#include "control/CorvanePropertySheet.h"
#include "station/EventJournal.h"
#include "control/OperatorDialogs.h"
#include "pages/CommSetupPage.h"
#include "pages/InstSetupPage.h"
#include "pages/OverrideCursor.h"
#include "records/Records.h"
#include "serial/InstrumentCommands.h"
#include "settings/SettingsKey.h"

namespace {

// Backscatter and mode: the query is the bare name, the set command the name and the value.
constexpr const char* kBackscatter = "SMB";
constexpr const char* kMode = "SMZ";
constexpr const char* kLogSizeWarning =
    "The 'Log - New File Weekly' option is selected.\r\n"
    "This will result in a log file that exceeds the recomended size.\r\n"
    "The 'Log - New File Daily' option will be set before proceeding.";
constexpr const char* kClockFailed = "An error occured setting the instruments date and time.";

using Page = CCorvaneInstSetupPage;

// The five record kinds the instrument sends unasked, in the order they are applied. The set
// command carries 0 for off and onValue for on (3 for the photon records: all three colours).
struct RecordSetting {
    const char* query;
    int onValue;
    int (Page::*get)() const;
    void (Page::*set)(int);
    const char* failure;
};
constexpr RecordSetting kRecordSettings[] = {
    {"UD", 1, &Page::GetDataRecords, &Page::SetDataRecords, "Attempt to set the Data record failed."},
    {"UT", 1, &Page::GetTimeRecords, &Page::SetTimeRecords, "Attempt to set the Time record failed."},
    {"UP", 3, &Page::GetPhotonRecords, &Page::SetPhotonRecords, "Attempt to set the Photon record failed."},
    {"UY", 1, &Page::GetAuxRecords, &Page::SetAuxRecords, "Attempt to set the Auxiliary record failed."},
    {"UZ", 1, &Page::GetZeroRecords, &Page::SetZeroRecords, "Attempt to set the Zero record failed."},
};

// The four timing values, whole seconds as text, in the order they are applied.
struct TimingSetting {
    const char* query;
    QString (Page::*get)() const;
    void (Page::*set)(const QString&);
    std::string InstrumentSettingsSnapshot::*snapshot;
    const char* failure;
};
constexpr TimingSetting kTimingSettings[] = {
    {"STA", &Page::GetAveragingTime, &Page::SetAveragingTime, &InstrumentSettingsSnapshot::m_strAveragingTime,
     "Attempt to set Averaging Time failed."},
    {"STB", &Page::GetBlankTime, &Page::SetBlankTime, &InstrumentSettingsSnapshot::m_strBlankTime,
     "Attempt to set Blank Time failed."},
    {"STZ", &Page::GetZeroTime, &Page::SetZeroTime, &InstrumentSettingsSnapshot::m_strZeroTime,
     "Attempt to set Zero Time failed."},
    {"STP", &Page::GetAutoZeroPeriod, &Page::SetAutoZeroPeriod,
     &InstrumentSettingsSnapshot::m_strAutoZeroPeriod, "Attempt to set Auto Zero Period failed."},
};

}  // namespace

void CCorvanePropertySheet::LoadSettings() {
    CSettingsKey key;
    key.Open(kProductKeyPath, true);
    Page& page = *m_pageSetup;

    key.ReadWord(kValueModel, m_snapshot.m_nModel);
    page.SetModel(m_snapshot.m_nModel);
    page.SetBackscatter(ParseDecimal(m_link.SendCommand("%s", kBackscatter)));
    m_snapshot.m_nMode = static_cast<std::uint16_t>(ParseDecimal(m_link.SendCommand("%s", kMode)));
    page.SetMode(m_snapshot.m_nMode);
    for (const RecordSetting& setting : kRecordSettings)
        (page.*setting.set)(ParseDecimal(m_link.SendCommand("%s", setting.query)));

    std::uint32_t logEnable = 0;
    key.ReadDword(kValueLogEnable, logEnable);
    page.SetLogEnable(logEnable != 0);
    std::uint16_t logLength = CDataLog::kDaily;
    key.ReadWord(kValueLogLength, logLength);
    page.SetLogLength(logLength);
    std::string logPath;
    if (key.ReadString(kValueLogPath, logPath) && !logPath.empty()) m_log.SetLogFolder(logPath);

    for (const TimingSetting& setting : kTimingSettings) {
        const std::string reply = m_link.SendCommand("%s", setting.query);
        m_snapshot.*setting.snapshot = reply;
        (page.*setting.set)(QString::fromStdString(reply));
    }
    key.Close();

    page.CommitPageValues();
    if (page.GetLogEnable() == 1) CheckLogFileSize();
}

void CCorvanePropertySheet::ApplySettings() {
    const COverrideCursor busy(Qt::WaitCursor);
    if (!OpenPortStep()) return;
    Page& page = *m_pageSetup;
    // Every write is tried, and a failure is told once, after the instrument's part.
    CSettingsKey key;
    bool stored = key.Open(kProductKeyPath, false);

    stored &= key.WriteWord(kValueCommPort, static_cast<std::uint16_t>(m_pageComm->SelectedIndex()));
    m_snapshot.m_nModel = page.GetModel();
    stored &= key.WriteWord(kValueModel, m_snapshot.m_nModel);

    const std::uint16_t mode = page.GetMode();
    if (m_link.SendCommand("%s%u", kMode, unsigned{mode}) == kReplyOk) {
        m_snapshot.m_nMode = mode;
    } else {
        m_dialogs.MessageBox(this, "Attempt to set the Mode failed.", IOperatorDialogs::Buttons::Ok);
        page.SetMode(m_snapshot.m_nMode);
    }

    for (const RecordSetting& setting : kRecordSettings) {
        const bool on = (page.*setting.get)() != 0;
        if (m_link.SendCommand("%s%d", setting.query, on ? setting.onValue : 0) != kReplyOk) {
            m_dialogs.MessageBox(this, setting.failure, IOperatorDialogs::Buttons::Ok);
            (page.*setting.set)(!on);
        }
    }

    stored &= key.WriteDword(kValueLogEnable, static_cast<std::uint32_t>(page.GetLogEnable()));
    stored &= key.WriteWord(kValueLogLength, page.GetLogLength());

    for (const TimingSetting& setting : kTimingSettings) {
        const std::string text = (page.*setting.get)().toStdString();
        const std::string command = setting.query + text;
        // An over-long text is refused here rather than sent cut short.
        if (command.size() <= kMaxCommandLength && m_link.SendCommand("%s", command.c_str()) == kReplyOk) {
            m_snapshot.*setting.snapshot = text;
        } else {
            m_dialogs.MessageBox(this, setting.failure, IOperatorDialogs::Buttons::Ok);
            (page.*setting.set)(QString::fromStdString(m_snapshot.*setting.snapshot));
            // The edit may already show that text, which then changes nothing on its own.
            page.MarkModified();
        }
    }

    const bool backscatter = page.GetBackscatter() != 0;
    if (m_link.SendCommand("%s%d", kBackscatter, int{backscatter}) != kReplyOk) {
        m_dialogs.MessageBox(this, "Attempt to set the Backscatter mode failed.",
                             IOperatorDialogs::Buttons::Ok);
        page.SetBackscatter(!backscatter);
    }

    // Each refusal is in the journal already, as the text of its box.
    JournalEvent("settings-applied", "Com" + std::to_string(m_link.GetPortNumber()));
    m_link.ClosePort();
    UpdateTitle();
    key.Close();
    if (!stored) m_dialogs.MessageBox(this, SettingsNotSavedText(), IOperatorDialogs::Buttons::Ok);
    if (page.GetLogEnable() == 1) CheckLogFileSize();
}

void CCorvanePropertySheet::SetInstrumentClock() {
    // The time is taken before the port opens, which can take seconds.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d,%02d,%02d,%02d,%02d,%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);

    const COverrideCursor busy(Qt::WaitCursor);
    if (!OpenPortStep()) return;
    if (m_link.SendCommand("%s%s", InstrumentCommand::kSetClock, stamp) != kReplyOk)
        m_dialogs.MessageBox(this, kClockFailed, IOperatorDialogs::Buttons::Ok);
    else
        JournalEvent("clock-set", stamp);
    m_link.ClosePort();
    UpdateTitle();
}

void CCorvanePropertySheet::CheckLogFileSize() {
    Page& page = *m_pageSetup;
    LogContent content;
    content.nModel = page.GetModel();
    content.bTime = page.GetTimeRecords() != 0;
    content.bData = page.GetDataRecords() != 0;
    content.bPhoton = page.GetPhotonRecords() != 0;
    content.bAux = page.GetAuxRecords() != 0;
    content.bZero = page.GetZeroRecords() != 0;
    const auto estimate =
        EstimateDailyLogBytes(m_snapshot.m_strAveragingTime, m_snapshot.m_strAutoZeroPeriod, content);
    if (!estimate) return;
    if (*estimate <= kLargestDailyLogForWeekly) {
        page.EnableWeeklyOption(true);
        return;
    }
    if (page.GetLogLength() == CDataLog::kWeekly) {
        m_dialogs.MessageBox(this, kLogSizeWarning, IOperatorDialogs::Buttons::Ok);
        page.SetLogLength(CDataLog::kDaily);
        // The run's files follow the warning at once, not only after the next Apply Changes.
        page.RememberLogLength(CDataLog::kDaily);
    }
    page.EnableWeeklyOption(false);
}
