// The Data page: the record handlers, the status light and the one-second countdown tick.
#include "pages/DataPage.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <algorithm>

#include "PageControls.h"
#include "ValueBox.h"
#include "pages/ControlName.h"
#include "pages/DataPageIds.h"
#include "pages/Icons.h"
#include "pages/PageHost.h"
#include "pages/ParentMenuEdit.h"
#include "records/Records.h"
#include "records/Status.h"
#include "station/ClockTexts.h"

namespace {

constexpr int kTickMs = 1000;
constexpr int kStatusLightPx = 32;
const char* const kStatusLightTip = "Nephelometer Status light";
// A line edit draws its text inside its frame and a small margin on each side.
constexpr int kEditTextMargins = 6;

enum class Kind { Label, ValueBox, Group };

struct TemplateControl {
    DataPageId id;
    Kind kind;
    const char* text;  // label or group caption
    Dlu rect;
    Qt::Alignment align;
    const char* toolTip;
};

constexpr Qt::Alignment kLeft = Qt::AlignLeft;
constexpr Qt::Alignment kRight = Qt::AlignRight;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter;

// The page's labels, group boxes and value boxes in template order. The status light and the
// status edit are made apart. Some labels are a little wider than the template's
// rectangles so that their text fits the application font.
const TemplateControl kControls[] = {
    {DataPageId::ModeLabel, Kind::Label, "MEASURING mode for", {3, 10, 74, 8}, kLeft, "Current Nephelometer operating mode"},
    {DataPageId::ModeSeconds, Kind::ValueBox, "", {78, 9, 23, 9}, kRight, "Number of seconds until an operating mode change"},
    {DataPageId::ModeSecondsUnit, Kind::Label, "secs", {102, 11, 18, 8}, kLeft, ""},
    {DataPageId::NextDataLabel, Kind::Label, "Next Data in", {3, 25, 60, 9}, kLeft, ""},
    {DataPageId::NextData, Kind::ValueBox, "", {78, 25, 23, 9}, kRight, "Number of seconds until the next data record"},
    {DataPageId::NextDataUnit, Kind::Label, "secs", {102, 26, 18, 8}, kLeft, ""},
    {DataPageId::StatusGroup, Kind::Group, "Neph Status", {125, 5, 125, 32}, kLeft, ""},
    {DataPageId::ScatteringGroup, Kind::Group, "Scattering Coefficiant", {25, 40, 85, 85}, kCentre, ""},
    {DataPageId::LastDataLabel, Kind::Label, "Last Data at", {43, 53, 50, 8}, kCentre, ""},
    {DataPageId::LastDataTime, Kind::ValueBox, "", {35, 61, 65, 9}, kCentre, "Time of the last data record"},
    {DataPageId::ScatteringTotalLabel, Kind::Label, "Total", {39, 74, 20, 8}, kLeft, ""},
    {DataPageId::ScatteringBackLabel, Kind::Label, "Back", {78, 74, 20, 8}, kLeft, ""},
    {DataPageId::BlueLabel, Kind::Label, "Blue", {3, 84, 18, 8}, kLeft, ""},
    {DataPageId::ScatteringBlue, Kind::ValueBox, "", {30, 84, 35, 9}, kRight, "Total Scattering Coefficient - Blue"},
    {DataPageId::BackscatterBlue, Kind::ValueBox, "", {70, 84, 35, 9}, kRight, "Backscatter Coefficient - Blue"},
    {DataPageId::GreenLabel, Kind::Label, "Green", {3, 98, 24, 8}, kLeft, ""},
    {DataPageId::ScatteringGreen, Kind::ValueBox, "", {30, 98, 35, 9}, kRight, "Total Scattering Coefficient - Green"},
    {DataPageId::BackscatterGreen, Kind::ValueBox, "", {70, 98, 35, 9}, kRight, "Backscatter Coefficient - Green"},
    {DataPageId::RedLabel, Kind::Label, "Red", {3, 112, 18, 8}, kLeft, ""},
    {DataPageId::ScatteringRed, Kind::ValueBox, "", {30, 112, 35, 9}, kRight, "Total Scattering Coefficient - Red"},
    {DataPageId::BackscatterRed, Kind::ValueBox, "", {70, 112, 35, 9}, kRight, "Backscatter Coefficient - Red"},
    {DataPageId::ZeroGroup, Kind::Group, "Background", {125, 40, 125, 85}, kCentre, ""},
    {DataPageId::LastZeroLabel, Kind::Label, "Last Data at", {164, 53, 50, 8}, kCentre, ""},
    {DataPageId::LastZeroTime, Kind::ValueBox, "", {157, 61, 65, 9}, kCentre, "Time of the last zero record"},
    {DataPageId::ZeroTotalLabel, Kind::Label, "Total", {139, 74, 20, 8}, kLeft, ""},
    {DataPageId::ZeroBackLabel, Kind::Label, "Back", {179, 74, 20, 8}, kLeft, ""},
    {DataPageId::ZeroRayleighLabel, Kind::Label, "Rayleigh", {213, 74, 32, 8}, kLeft, ""},
    {DataPageId::ZeroTotalBlue, Kind::ValueBox, "", {131, 84, 35, 9}, kRight, "Last Zeros Total Scattering Value - Blue"},
    {DataPageId::ZeroBackBlue, Kind::ValueBox, "", {171, 84, 35, 9}, kRight, "Last Zeros Backscatter Value - Blue"},
    {DataPageId::ZeroRayleighBlue, Kind::ValueBox, "", {211, 84, 35, 9}, kRight, "Last Zeros Rayleigh Scattering Value - Blue"},
    {DataPageId::ZeroTotalGreen, Kind::ValueBox, "", {131, 98, 35, 9}, kRight, "Last Zeros Total Scattering Value - Green"},
    {DataPageId::ZeroBackGreen, Kind::ValueBox, "", {171, 98, 35, 9}, kRight, "Last Zeros Backscatter Value - Green"},
    {DataPageId::ZeroRayleighGreen, Kind::ValueBox, "", {211, 98, 35, 9}, kRight, "Last Zeros RayLeigh Scattering Value - Green"},
    {DataPageId::ZeroTotalRed, Kind::ValueBox, "", {131, 112, 35, 9}, kRight, "Last Zeros Total Scattering Value - Red"},
    {DataPageId::ZeroBackRed, Kind::ValueBox, "", {171, 112, 35, 9}, kRight, "Last Zeros Backscatter Value - Red"},
    {DataPageId::ZeroRayleighRed, Kind::ValueBox, "", {211, 112, 35, 9}, kRight, "Last Zeros Rayleigh Scattering Value - Red"},
    {DataPageId::InletTempLabel, Kind::Label, "Inlet Temp", {3, 132, 45, 8}, kLeft, ""},
    {DataPageId::InletTemp, Kind::ValueBox, "", {54, 132, 22, 9}, kRight, "Inlet Temperature"},
    {DataPageId::InletTempUnit, Kind::Label, "K", {78, 133, 6, 8}, kLeft, ""},
    {DataPageId::SampleTempLabel, Kind::Label, "Sample Temp", {3, 144, 50, 8}, kLeft, ""},
    {DataPageId::SampleTemp, Kind::ValueBox, "", {54, 143, 22, 9}, kRight, "Sample Temerature"},
    {DataPageId::SampleTempUnit, Kind::Label, "K", {77, 144, 6, 8}, kLeft, ""},
    {DataPageId::HumidityLabel, Kind::Label, "Rel Humidity", {131, 132, 46, 8}, kLeft, ""},
    {DataPageId::Humidity, Kind::ValueBox, "", {179, 132, 19, 9}, kRight, "Relative Humidity"},
    {DataPageId::HumidityUnit, Kind::Label, "%", {199, 133, 8, 9}, kLeft, ""},
    {DataPageId::PressureLabel, Kind::Label, "Inlet Pressure", {131, 144, 47, 8}, kLeft, ""},
    {DataPageId::Pressure, Kind::ValueBox, "", {179, 143, 25, 9}, kRight, "Inlet Pressure"},
    {DataPageId::PressureUnit, Kind::Label, "mbars", {205, 144, 25, 8}, kLeft, ""},
};

}  // namespace

CCorvaneDataPage::CCorvaneDataPage(IPageHost& host, QWidget* parent)
    : QWidget(parent), m_host(host) {
    SizePage(this);
    BuildControls();
    m_timer = new QTimer(this);
    m_timer->setObjectName(QString::number(TIMER_DATA_PAGE));
    m_timer->setSingleShot(true);
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, &CCorvaneDataPage::OnTimerTick);
    InstallHelpKey(this, host, QStringLiteral("data"));
}

CCorvaneDataPage::~CCorvaneDataPage() = default;

void CCorvaneDataPage::BuildControls() {
    for (const TemplateControl& control : kControls) {
        switch (control.kind) {
            case Kind::Label:
                AddLabel(this, ControlName(control.id), QString::fromLatin1(control.text), control.rect, control.align)
                    ->setToolTip(QString::fromLatin1(control.toolTip));
                break;
            case Kind::ValueBox:
                AddValueBox(this, ControlName(control.id), control.rect, control.align,
                            QString::fromLatin1(control.toolTip));
                break;
            case Kind::Group:
                AddGroup(this, ControlName(control.id), QString::fromLatin1(control.text), control.rect, control.align);
                break;
        }
    }

    m_lblStatusLight = new QLabel(this);
    m_lblStatusLight->setAlignment(Qt::AlignCenter);
    PlaceControl(m_lblStatusLight, ControlName(DataPageId::StatusLight), {131, 14, 20, 20}, QString::fromLatin1(kStatusLightTip));
    m_lblStatusLight->setPixmap(LightPixmap(m_lightIcon));

    m_editStatus = new CParentMenuEdit(this);
    m_editStatus->setReadOnly(true);
    PlaceControl(m_editStatus, ControlName(DataPageId::StatusText), {155, 18, 90, 12}, QStringLiteral("Nephelometer Status text"));

    m_lblMode = Label(DataPageId::ModeLabel);
    m_boxModeSeconds = Label(DataPageId::ModeSeconds);
    m_boxNextData = Label(DataPageId::NextData);
    m_boxLastDataTime = Label(DataPageId::LastDataTime);
    for (int i = 0; i < 6; ++i)
        m_boxScattering[i] = Label(static_cast<DataPageId>(static_cast<int>(DataPageId::ScatteringBlue) + i));
    m_boxZeroTime = Label(DataPageId::LastZeroTime);
    for (int i = 0; i < 9; ++i)
        m_boxZero[i] = Label(static_cast<DataPageId>(static_cast<int>(DataPageId::ZeroTotalBlue) + i));
    m_boxInletTemp = Label(DataPageId::InletTemp);
    m_boxSampleTemp = Label(DataPageId::SampleTemp);
    m_boxHumidity = Label(DataPageId::Humidity);
    m_boxPressure = Label(DataPageId::Pressure);
}

QLabel* CCorvaneDataPage::Label(DataPageId id) const {
    return findChild<QLabel*>(ControlName(id));
}

void CCorvaneDataPage::OnTimeRecord(const std::string& line) {
    const std::optional<TimeRecord> record = ParseTimeRecord(line);
    if (!record) return;
    m_strLastDataTime = record->lastDataTimeText;
    Show(m_boxLastDataTime, m_strLastDataTime);
    // A time that no local calendar time represents keeps the previous one, so that log files
    // are never dated by a broken time.
    if (record->instrumentTime) m_instrumentTime = record->instrumentTime;
}

void CCorvaneDataPage::OnDataRecord(const std::string& line) {
    const FieldRecord record = ParseDataRecord(line);
    const std::vector<std::string>& fields = record.fields;
    if (fields.size() >= 1) {
        if (const std::optional<std::string> label = m_mode.SetModeField(fields[0]))
            Show(m_lblMode, *label);
    }
    if (fields.size() >= 2) Show(m_boxModeSeconds, m_mode.SetModeSeconds(fields[1], m_host.Snapshot()));
    // Fields 3 to 8: total Blue, Green, Red, then backscatter Blue, Green, Red (the rest).
    for (std::size_t i = 2; i < fields.size(); ++i) Show(m_boxScattering[i - 2], fields[i]);
    if (record.whole) {
        const std::string& averaging = m_host.Snapshot().m_strAveragingTime;
        Show(m_boxNextData, averaging);
        m_nNextDataCount = static_cast<std::uint16_t>(ParseDecimal(averaging));
    }
}

void CCorvaneDataPage::OnAuxRecord(const std::string& line) {
    const FieldRecord record = ParseAuxRecord(line);
    const std::vector<std::string>& fields = record.fields;
    // Field 1 is not used; fields 2 to 5 are pressure, sample and inlet temperature, humidity.
    QLabel* const boxes[] = {m_boxPressure, m_boxSampleTemp, m_boxInletTemp, m_boxHumidity};
    for (std::size_t i = 1; i < fields.size() && i <= 4; ++i) Show(boxes[i - 1], fields[i]);
    if (record.whole) {
        m_nStatusWord = ParseStatusWord(fields.back());
        ShowStatus(m_nStatusWord);
    }
}

void CCorvaneDataPage::OnZeroRecord(const std::string& line) {
    const FieldRecord record = ParseZeroRecord(line);
    // Fields 1 to 9 in template order: totals, backscatter, Rayleigh, each Blue, Green, Red.
    for (std::size_t i = 0; i < record.fields.size(); ++i) Show(m_boxZero[i], record.fields[i]);
    // A Z record carries no time: it takes the time the last T record showed.
    if (record.whole) Show(m_boxZeroTime, m_strLastDataTime);
}

void CCorvaneDataPage::OnPhotonRecord(const std::string& line) {
    const std::optional<PhotonRecord> record = ParsePhotonRecord(line);
    if (!record) return;
    Show(m_boxPressure, record->pressure);
    Show(m_boxSampleTemp, record->sampleTemperature);
}

void CCorvaneDataPage::Show(QLabel* box, std::string_view text) {
    if (!m_bHoldLabels) {
        box->setText(InstrumentText(text));
        return;
    }
    const auto held = std::find_if(m_heldTexts.begin(), m_heldTexts.end(), [box](const auto& h) { return h.first == box; });
    if (held != m_heldTexts.end())
        held->second = InstrumentText(text);
    else
        m_heldTexts.emplace_back(box, InstrumentText(text));
}

void CCorvaneDataPage::HoldLabels() {
    m_bHoldLabels = true;
}

void CCorvaneDataPage::ShowHeldLabels() {
    m_bHoldLabels = false;
    for (const auto& [box, text] : m_heldTexts) box->setText(text);
    m_heldTexts.clear();
}

void CCorvaneDataPage::StartCountdowns() {
    m_mode.SetModeAfterBlanking('Z');
    m_bCounting = true;
    m_timer->start();
}

void CCorvaneDataPage::StopCountdowns() {
    m_bCounting = false;
    m_timer->stop();
    m_nNextDataCount = 0;
    m_mode.ClearCount();
}

void CCorvaneDataPage::ClearCountdowns() {
    m_nNextDataCount = 0;
    m_mode.ClearCount();
    m_boxNextData->clear();
    m_boxModeSeconds->clear();
}

void CCorvaneDataPage::SetModeAfterBlanking(char letter) {
    m_mode.SetModeAfterBlanking(letter);
}

void CCorvaneDataPage::OnTimerTick() {
    // The timer is stopped for the tick and started again after it, so ticks never queue up.
    m_timer->stop();
    if (m_nNextDataCount > 0) m_boxNextData->setText(QString::number(--m_nNextDataCount));
    const COperatingMode::TickResult tick = m_mode.Tick(m_host.Snapshot());
    if (tick.counted) m_boxModeSeconds->setText(QString::number(tick.shown));
    if (tick.label) Show(m_lblMode, *tick.label);

    const bool faults = HasFaultBits(m_nStatusWord);
    const IconId windowIcon = faults ? IconId::RedLamp : IconId::Application;
    if (windowIcon != m_windowIcon) {
        m_windowIcon = windowIcon;
        m_host.SetMainWindowIcon(windowIcon, faults ? m_strStatusText : std::string());
    }
    if (m_bCounting) m_timer->start();
}

bool CCorvaneDataPage::HasFault() const {
    return m_nStatusWord != 0;
}

std::string CCorvaneDataPage::GetStatusText() const {
    return m_strStatusText;
}

bool CCorvaneDataPage::HasInstrumentTime() const {
    return m_instrumentTime.has_value();
}

std::time_t CCorvaneDataPage::GetInstrumentTime() const {
    return m_instrumentTime.value_or(0);
}

// Each light is drawn once: a run that loses its instrument again and again switches the light
// each time, and drawing it anew every time only churns the heap.
const QPixmap& CCorvaneDataPage::LightPixmap(IconId iconId) {
    auto found = m_lightPixmaps.find(iconId);
    if (found == m_lightPixmaps.end())
        found = m_lightPixmaps.emplace(iconId, IconFor(iconId).pixmap(kStatusLightPx)).first;
    return found->second;
}

void CCorvaneDataPage::ShowNoInstrument(const std::string& text) {
    m_strNoInstrument = text;
    ShowStatus(m_nStatusWord);
}

void CCorvaneDataPage::ShowClockOffset(std::optional<double> offsetSeconds) {
    QString tip = QString::fromLatin1(kStatusLightTip);
    if (offsetSeconds)
        tip += QStringLiteral("\nInstrument clock: ") + QString::fromStdString(ClockDifferenceText(*offsetSeconds));
    if (m_lblStatusLight->toolTip() != tip) m_lblStatusLight->setToolTip(tip);
}

void CCorvaneDataPage::ShowStatus(std::int32_t statusWord) {
    const StatusOutputs outputs = StatusOutputsFor(statusWord);
    if (outputs.faults) m_strStatusText = outputs.statusText;
    const bool waiting = !m_strNoInstrument.empty();
    // Only changes are written: the page applies the status at every paint, and an unchanged
    // control must not ask for another one.
    const IconId light = waiting || outputs.faults ? IconId::RedDisc : IconId::GreenDisc;
    if (light != m_lightIcon) {
        m_lightIcon = light;
        m_lblStatusLight->setPixmap(LightPixmap(m_lightIcon));
    }
    const QString text = InstrumentText(waiting ? m_strNoInstrument : StatusEditText(outputs));
    if (m_editStatus->text() != text) {
        m_editStatus->setText(text);
        m_editStatus->setCursorPosition(0);  // a long fault list shows from its start
    }
    // The waiting text is shown whole in a smaller font; a fault list scrolls in the page's font.
    const QFont wanted = waiting ? FittingFont(font(), text, m_editStatus->contentsRect().width() - kEditTextMargins)
                                 : font();
    if (m_editStatus->font() != wanted) m_editStatus->setFont(wanted);
}

void CCorvaneDataPage::paintEvent(QPaintEvent*) {
    ShowStatus(m_nStatusWord);
}

void CCorvaneDataPage::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}
