// The main window's settings transfer: the Setup page loaded from the store and the instrument,
// its settings applied to both, the instrument's clock set from the computer's, and the check that
// forbids weekly log files a day's data would make too large.
#include <QString>
#include <cstdio>
#include <ctime>

#include "SettingsNotSaved.h"
#include "control/CorvanePropertySheet.h"
#include "control/OperatorDialogs.h"
#include "pages/CommSetupPage.h"
#include "pages/InstSetupPage.h"
#include "pages/OverrideCursor.h"
#include "records/Records.h"
#include "run/RunCore.h"
#include "run/StoredRun.h"
#include "serial/InstrumentCommands.h"
#include "settings/SettingsKey.h"
#include "station/EventJournal.h"

namespace {

constexpr const char* kClockFailed = "An error occured setting the instruments date and time.";

using Page = CCorvaneInstSetupPage;

// The Setup page's controls for the record kinds and the timing values, in the order of the
// instrument's commands.
struct RecordControls {
    bool (Page::*get)() const;
    void (Page::*set)(int);
};
constexpr RecordControls kRecordControls[kRecordKindCount] = {
    {&Page::GetDataRecords, &Page::SetDataRecords},   {&Page::GetTimeRecords, &Page::SetTimeRecords},
    {&Page::GetPhotonRecords, &Page::SetPhotonRecords}, {&Page::GetAuxRecords, &Page::SetAuxRecords},
    {&Page::GetZeroRecords, &Page::SetZeroRecords},
};
struct TimingControls {
    QString (Page::*get)() const;
    void (Page::*set)(const QString&);
    std::string InstrumentSettingsSnapshot::*snapshot;
};
constexpr TimingControls kTimingControls[kTimingCount] = {
    {&Page::GetAveragingTime, &Page::SetAveragingTime, &InstrumentSettingsSnapshot::m_strAveragingTime},
    {&Page::GetBlankTime, &Page::SetBlankTime, &InstrumentSettingsSnapshot::m_strBlankTime},
    {&Page::GetZeroTime, &Page::SetZeroTime, &InstrumentSettingsSnapshot::m_strZeroTime},
    {&Page::GetAutoZeroPeriod, &Page::SetAutoZeroPeriod, &InstrumentSettingsSnapshot::m_strAutoZeroPeriod},
};

// The page's switch of record kind i. Each member pointer is copied out of the table before the call:
// GCC 12's bounds sanitizer takes a call through a table entry's member pointer for an index far out of
// the table and stops the program.
bool RecordSwitch(const Page& page, std::size_t i) {
    const auto get = kRecordControls[i].get;
    return (page.*get)();
}
void SetRecordSwitch(Page& page, std::size_t i, bool on) {
    const auto set = kRecordControls[i].set;
    (page.*set)(on);
}

}  // namespace

void CCorvanePropertySheet::ShowInstrumentSetup(const InstrumentSetup& setup) {
    Page& page = *m_pageSetup;
    page.SetBackscatter(setup.backscatter);
    m_snapshot.m_nMode = setup.mode;
    page.SetMode(setup.mode);
    for (std::size_t i = 0; i < kRecordKindCount; ++i) SetRecordSwitch(page, i, setup.records[i]);
    for (std::size_t i = 0; i < kTimingCount; ++i) {
        const TimingControls& timing = kTimingControls[i];
        m_snapshot.*timing.snapshot = setup.timings[i];
        (page.*timing.set)(QString::fromStdString(setup.timings[i]));
    }
}

InstrumentSetup CCorvanePropertySheet::LoadSettings(CSerialLink& link) {
    CSettingsKey key;
    key.Open(kProductKeyPath, true);
    Page& page = *m_pageSetup;

    key.ReadWord(kValueModel, m_snapshot.m_nModel);
    page.SetModel(m_snapshot.m_nModel);
    const InstrumentSetup setup = ReadInstrumentSetup(link);
    ShowInstrumentSetup(setup);

    std::uint32_t logEnable = 0;
    key.ReadDword(kValueLogEnable, logEnable);
    page.SetLogEnable(logEnable != 0);
    std::uint16_t logLength = CDataLog::kDaily;
    key.ReadWord(kValueLogLength, logLength);
    page.SetLogLength(logLength);
    std::string logPath;
    if (key.ReadString(kValueLogPath, logPath) && !logPath.empty()) m_core.Log().SetLogFolder(logPath);
    std::uint32_t keepClock = 0;
    if (!m_bKeepClockGiven && key.ReadDword(kValueKeepClock, keepClock)) page.SetKeepClock(keepClock);
    key.Close();

    page.CommitPageValues();
    if (page.GetLogEnable()) CheckLogFileSize();
    return setup;
}

void CCorvanePropertySheet::ApplySettings() {
    const COverrideCursor busy(Qt::WaitCursor);
    std::optional<CLinkLease> lease = OpenPortStep();
    if (!lease) return;
    CSerialLink& link = **lease;
    Page& page = *m_pageSetup;
    // Every write is tried, and a failure is told once, after the instrument's part.
    CSettingsKey key;
    bool stored = key.Open(kProductKeyPath, false);

    stored &= key.WriteWord(kValueCommPort, static_cast<std::uint16_t>(m_pageComm->SelectedIndex()));
    m_snapshot.m_nModel = page.GetModel();
    stored &= key.WriteWord(kValueModel, m_snapshot.m_nModel);

    const std::uint16_t mode = page.GetMode();
    if (link.SendCommand("%s%u", kModeCommand, unsigned{mode}) == kReplyOk) {
        m_snapshot.m_nMode = mode;
    } else {
        m_dialogs.MessageBox(this, "Attempt to set the Mode failed.", IOperatorDialogs::Buttons::Ok);
        page.SetMode(m_snapshot.m_nMode);
    }

    for (std::size_t i = 0; i < kRecordKindCount; ++i) {
        const RecordSwitchCommand& command = kRecordSwitchCommands[i];
        const bool on = RecordSwitch(page, i);
        if (link.SendCommand("%s%d", command.query, on ? command.onValue : 0) != kReplyOk) {
            m_dialogs.MessageBox(this, command.failure, IOperatorDialogs::Buttons::Ok);
            SetRecordSwitch(page, i, !on);
        }
    }

    stored &= key.WriteDword(kValueLogEnable, static_cast<std::uint32_t>(page.GetLogEnable()));
    stored &= key.WriteWord(kValueLogLength, page.GetLogLength());
    stored &= key.WriteDword(kValueKeepClock, page.GetKeepClock());
    m_bKeepClockGiven = false;

    for (std::size_t i = 0; i < kTimingCount; ++i) {
        const TimingControls& controls = kTimingControls[i];
        const std::string text = (page.*controls.get)().toStdString();
        const std::string command = kTimingCommands[i].query + text;
        // An over-long text is refused here rather than sent cut short.
        if (command.size() <= kMaxCommandLength && link.SendCommand("%s", command.c_str()) == kReplyOk) {
            m_snapshot.*controls.snapshot = text;
        } else {
            m_dialogs.MessageBox(this, kTimingCommands[i].failure, IOperatorDialogs::Buttons::Ok);
            (page.*controls.set)(QString::fromStdString(m_snapshot.*controls.snapshot));
            // The edit may already show that text, which then changes nothing on its own.
            page.MarkModified();
        }
    }

    const bool backscatter = page.GetBackscatter();
    if (link.SendCommand("%s%d", kBackscatterCommand, int{backscatter}) != kReplyOk) {
        m_dialogs.MessageBox(this, "Attempt to set the Backscatter mode failed.",
                             IOperatorDialogs::Buttons::Ok);
        page.SetBackscatter(!backscatter);
    }

    // Each refusal is in the journal already, as the text of its box.
    JournalEvent("settings-applied", ComPortName(link.GetPortNumber()));
    ClosePortStep(*lease);
    key.Close();
    if (!stored) m_dialogs.MessageBox(this, SettingsNotSavedText(), IOperatorDialogs::Buttons::Ok);
    if (page.GetLogEnable()) CheckLogFileSize();
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
    std::optional<CLinkLease> link = OpenPortStep();
    if (!link) return;
    if ((*link)->SendCommand("%s%s", InstrumentCommand::kSetClock, stamp) != kReplyOk)
        m_dialogs.MessageBox(this, kClockFailed, IOperatorDialogs::Buttons::Ok);
    else
        JournalEvent("clock-set", stamp);
    ClosePortStep(*link);
}

void CCorvanePropertySheet::CheckLogFileSize() {
    Page& page = *m_pageSetup;
    InstrumentSetup setup;
    for (std::size_t i = 0; i < kRecordKindCount; ++i) setup.records[i] = RecordSwitch(page, i);
    const std::optional<std::int64_t> estimate = EstimateDailyLogBytes(
        m_snapshot.m_strAveragingTime, m_snapshot.m_strAutoZeroPeriod, LogContentOf(page.GetModel(), setup));
    if (!estimate) return;
    if (*estimate <= kLargestDailyLogForWeekly) {
        page.EnableWeeklyOption(true);
        return;
    }
    if (page.GetLogLength() == CDataLog::kWeekly) {
        m_dialogs.MessageBox(this, kLogSizeWarning, IOperatorDialogs::Buttons::Ok);
        page.SetLogLength(CDataLog::kDaily);
        // The run's files follow the warning at once, not only after the next Apply Changes, and the
        // next start finds daily files stored, so the box does not come back at every start.
        page.RememberLogLength(CDataLog::kDaily);
        if (!StoreDailyLogLength()) m_dialogs.MessageBox(this, SettingsNotSavedText(), IOperatorDialogs::Buttons::Ok);
    }
    page.EnableWeeklyOption(false);
}
