// The Setup page: the instrument's settings and the logging options, the remembered values the
// getters return, and the tracking of changes the operator has not applied yet.
#include "pages/InstSetupPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <algorithm>

#include "PageControls.h"
#include "pages/ControlName.h"
#include "pages/PageHost.h"
#include "pages/ParentMenuEdit.h"
#include "station/ClockKeeping.h"

namespace {

// The longest timing value the operator can type. Set commands are built from these texts, and a
// bounded value keeps every such command well inside the serial link's command length.
constexpr int kMaxTimingDigits = 10;

// Checks the first or second radio of a pair for value 0 or 1; other values change nothing.
void SelectRadio(QRadioButton* first, QRadioButton* second, int value) {
    if (value == 0) first->setChecked(true);
    if (value == 1) second->setChecked(true);
}

// 0 or 1 for the checked radio of a pair, kNeither when neither is checked.
int CheckedRadio(const QRadioButton* first, const QRadioButton* second) {
    if (first->isChecked()) return 0;
    return second->isChecked() ? 1 : CCorvaneInstSetupPage::kNeither;
}

int CheckState(const QCheckBox* box) {
    return box->isChecked() ? 1 : 0;
}

}  // namespace

CCorvaneInstSetupPage::CCorvaneInstSetupPage(IPageHost& host, QWidget* parent)
    : QWidget(parent), m_host(host) {
    SizePage(this);
    BuildControls();
    m_cboModel->setCurrentIndex(m_nModel);
    InstallHelpKey(this, host, QStringLiteral("instrument setup"));
    // The Enter key is looked at before the control with the focus sees it.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    m_bInitialized = true;
    m_btnApply->setEnabled(m_bModified);
}

void CCorvaneInstSetupPage::BuildControls() {
    auto* modelLabel = AddLabel(this, ControlName(SetupPageId::ModelLabel), QStringLiteral("&Neph Model"), {4, 5, 60, 8});
    m_cboModel = new QComboBox(this);
    m_cboModel->addItems({QStringLiteral("7810"), QStringLiteral("7830"), QStringLiteral("Unknown")});
    PlaceControl(m_cboModel, ControlName(SetupPageId::Model), {4, 17, 60, 12}, QStringLiteral("Nephelometer Model"));
    modelLabel->setBuddy(m_cboModel);
    connect(m_cboModel, &QComboBox::activated, this, &CCorvaneInstSetupPage::OnModelActivated);

    m_chkBackscatter = AddCheckBox(SetupPageId::Backscatter, QStringLiteral("&Backscatter"), 5, 39, 70,
                                   QStringLiteral("Enable or disable Backscatter data"),
                                   &CCorvaneInstSetupPage::m_nBackscatter);
    m_chkBackscatter->setEnabled(false);

    AddGroup(this, ControlName(SetupPageId::ModeGroup), QStringLiteral("Mode"), {5, 55, 50, 37});
    m_grpMode = new QButtonGroup(this);
    m_radManual =
        AddRadio(m_grpMode, 0, SetupPageId::Manual, QStringLiteral("&Manual"), 10, 66, 43,
                 QStringLiteral("Run the Nephelometer in Manual mode"), &CCorvaneInstSetupPage::m_nMode);
    m_radNormal =
        AddRadio(m_grpMode, 1, SetupPageId::Normal, QStringLiteral("N&ormal"), 10, 78, 43,
                 QStringLiteral("Run the Nephelometer in Normal mode"), &CCorvaneInstSetupPage::m_nMode);

    AddGroup(this, ControlName(SetupPageId::LogGroup), QStringLiteral("Log"), {5, 95, 80, 55});
    // The Enable box also enables the log length radios, before the modified check.
    m_chkLogEnable = AddCheckBox(SetupPageId::LogEnable, QStringLiteral("&Enable"), 10, 106, 70,
                                 QStringLiteral("Enable or disable logging data to file"), nullptr);
    connect(m_chkLogEnable, &QCheckBox::clicked, this, &CCorvaneInstSetupPage::OnLogEnableClicked);
    m_grpLogLength = new QButtonGroup(this);
    m_radDaily =
        AddRadio(m_grpLogLength, 0, SetupPageId::Daily, QStringLiteral("New File Dail&y"), 10, 120, 73,
                 QStringLiteral("Create a new log file Daily"), &CCorvaneInstSetupPage::m_nLogLength);
    m_radWeekly =
        AddRadio(m_grpLogLength, 1, SetupPageId::Weekly, QStringLiteral("New File &Weekly"), 10, 134, 73,
                 QStringLiteral("Create a new log file Weekly"), &CCorvaneInstSetupPage::m_nLogLength);
    m_radDaily->setEnabled(false);
    m_radWeekly->setEnabled(false);

    AddGroup(this, ControlName(SetupPageId::RecordsGroup), QStringLiteral("Data Records"), {105, 5, 62, 75});
    m_chkData =
        AddCheckBox(SetupPageId::DataRecords, QStringLiteral("&Data"), 110, 16, 54,
                    QStringLiteral("Receive unpolled Data records"), &CCorvaneInstSetupPage::m_nDataRecords);
    m_chkTime =
        AddCheckBox(SetupPageId::TimeRecords, QStringLiteral("&Time"), 110, 28, 54,
                    QStringLiteral("Receive unpolled Time records"), &CCorvaneInstSetupPage::m_nTimeRecords);
    m_chkPhoton = AddCheckBox(SetupPageId::PhotonRecords, QStringLiteral("&Photon"), 110, 40, 54,
                              QStringLiteral("Receive unpolled Photon records"),
                              &CCorvaneInstSetupPage::m_nPhotonRecords);
    m_chkAux = AddCheckBox(SetupPageId::AuxRecords, QStringLiteral("A&uxiliary"), 110, 52, 54,
                           QStringLiteral("Receive unpolled Auxiliary records"),
                           &CCorvaneInstSetupPage::m_nAuxRecords);
    m_chkZero =
        AddCheckBox(SetupPageId::ZeroRecords, QStringLiteral("Zero"), 110, 64, 54,
                    QStringLiteral("Receive unpolled Zero records"), &CCorvaneInstSetupPage::m_nZeroRecords);

    AddGroup(this, ControlName(SetupPageId::TimingGroup), QStringLiteral("Timing"), {105, 85, 100, 65});
    m_editAveraging = AddTimingEdit(SetupPageId::AveragingLabel, QStringLiteral("A&veraging Time"), SetupPageId::AveragingTime, 96,
                                    QStringLiteral("Nephelometer Averaging time"));
    m_editBlank = AddTimingEdit(SetupPageId::BlankLabel, QStringLiteral("B&lank Time"), SetupPageId::BlankTime, 109,
                                QStringLiteral("Nephelometer Blank time"));
    m_editZero = AddTimingEdit(SetupPageId::ZeroLabel, QStringLiteral("Ze&ro Time"), SetupPageId::ZeroTime, 122,
                               QStringLiteral("Nephelometer Zero time"));
    m_editAutoZero = AddTimingEdit(SetupPageId::AutoZeroLabel, QStringLiteral("Auto Zero Per&iod"), SetupPageId::AutoZeroPeriod, 135,
                                   QStringLiteral("Nephelometer Auto Zero period"));

    m_btnApply = new QPushButton(QStringLiteral("  &Apply\nChanges"), this);
    PlaceControl(m_btnApply, ControlName(SetupPageId::ApplyChanges), {185, 10, 60, 22},
                 QStringLiteral("Send the current settings to the Nephelometer"));
    connect(m_btnApply, &QPushButton::clicked, this, &CCorvaneInstSetupPage::OnApplyChanges);
    m_btnSetTime = new QPushButton(QStringLiteral("Set Neph Time\n From PC Time"), this);
    PlaceControl(m_btnSetTime, ControlName(SetupPageId::SetNephTime), {185, 40, 60, 22},
                 QStringLiteral("Send the PC time to the Nephelometer"));
    connect(m_btnSetTime, &QPushButton::clicked, this, [this] { m_host.SetInstrumentClock(); });

    // Not sent to the instrument: the run keeps its clock within this of the PC's.
    auto* keepLabel = AddLabel(this, ControlName(SetupPageId::KeepClockLabel), QStringLiteral("&Keep Neph Clock"),
                               {185, 70, 62, 8});
    m_spinKeepClock = new QSpinBox(this);
    m_spinKeepClock->setRange(0, static_cast<int>(kMaxKeepSeconds));
    m_spinKeepClock->setSpecialValueText(QStringLiteral("Off"));
    m_spinKeepClock->setSuffix(QStringLiteral(" s"));
    PlaceControl(m_spinKeepClock, ControlName(SetupPageId::KeepClock), {185, 80, 45, 12},
                 QStringLiteral("Set the Nephelometer clock from the PC time during runs whenever it is "
                                "more than this many seconds off (Off: never)"));
    keepLabel->setBuddy(m_spinKeepClock);
    connect(m_spinKeepClock, &QSpinBox::valueChanged, this, [this](int seconds) {
        // One second is no threshold: whole seconds are set, so the step goes past it.
        if (seconds > 0 && seconds < static_cast<int>(kMinKeepSeconds)) {
            m_spinKeepClock->setValue(m_nKeepClock >= static_cast<int>(kMinKeepSeconds) ? 0 : kMinKeepSeconds);
            return;
        }
        if (seconds != m_nKeepClock) MarkModified();
    });
}

QCheckBox* CCorvaneInstSetupPage::AddCheckBox(SetupPageId id, const QString& text, int x, int y, int w,
                                              const QString& toolTip,
                                              int CCorvaneInstSetupPage::*remembered) {
    auto* box = new QCheckBox(text, this);
    PlaceControl(box, ControlName(id), {x, y, w, 10}, toolTip);
    if (remembered != nullptr) {
        connect(box, &QCheckBox::clicked, this, [this, box, remembered] {
            if (CheckState(box) != this->*remembered) MarkModified();
        });
    }
    return box;
}

QRadioButton* CCorvaneInstSetupPage::AddRadio(QButtonGroup* group, int value, SetupPageId id, const QString& text,
                                              int x, int y, int w, const QString& toolTip,
                                              int CCorvaneInstSetupPage::*remembered) {
    auto* radio = new QRadioButton(text, this);
    PlaceControl(radio, ControlName(id), {x, y, w, 10}, toolTip);
    group->addButton(radio);
    connect(radio, &QRadioButton::clicked, this, [this, value, remembered] {
        if (this->*remembered != value) MarkModified();
    });
    return radio;
}

CParentMenuEdit* CCorvaneInstSetupPage::AddTimingEdit(SetupPageId labelId, const QString& label, SetupPageId editId, int y,
                                                      const QString& toolTip) {
    auto* caption = AddLabel(this, ControlName(labelId), label, {110, y + 2, 56, 8});
    auto* edit = new CParentMenuEdit(this);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaxLength(kMaxTimingDigits);
    PlaceControl(edit, ControlName(editId), {167, y, 30, 12}, toolTip);
    caption->setBuddy(edit);
    // Any change marks the page, also one the controller makes (a refused value put back).
    connect(edit, &QLineEdit::textChanged, this, &CCorvaneInstSetupPage::MarkModified);
    return edit;
}

void CCorvaneInstSetupPage::SetModel(int index) {
    if (index < 0 || index > ModelIndex::kUnknown) return;
    m_cboModel->setCurrentIndex(index);
    if (index != ModelIndex::kUnknown) m_chkBackscatter->setEnabled(index == ModelIndex::k7830);
}

void CCorvaneInstSetupPage::SetBackscatter(int state) {
    m_chkBackscatter->setChecked(state != 0);
}

void CCorvaneInstSetupPage::SetMode(int value) {
    SelectRadio(m_radManual, m_radNormal, value);
}

void CCorvaneInstSetupPage::SetLogEnable(int state) {
    m_chkLogEnable->setChecked(state != 0);
    m_radDaily->setEnabled(state != 0);
    m_radWeekly->setEnabled(state != 0);
}

void CCorvaneInstSetupPage::SetLogLength(int value) {
    SelectRadio(m_radDaily, m_radWeekly, value);
}

void CCorvaneInstSetupPage::SetDataRecords(int state) {
    m_chkData->setChecked(state != 0);
}

void CCorvaneInstSetupPage::SetTimeRecords(int state) {
    m_chkTime->setChecked(state != 0);
}

void CCorvaneInstSetupPage::SetPhotonRecords(int state) {
    m_chkPhoton->setChecked(state != 0);
}

void CCorvaneInstSetupPage::SetAuxRecords(int state) {
    m_chkAux->setChecked(state != 0);
}

void CCorvaneInstSetupPage::SetZeroRecords(int state) {
    m_chkZero->setChecked(state != 0);
}

void CCorvaneInstSetupPage::SetAveragingTime(const QString& text) {
    m_editAveraging->setText(text);
}

void CCorvaneInstSetupPage::SetBlankTime(const QString& text) {
    m_editBlank->setText(text);
}

void CCorvaneInstSetupPage::SetZeroTime(const QString& text) {
    m_editZero->setText(text);
}

void CCorvaneInstSetupPage::SetAutoZeroPeriod(const QString& text) {
    m_editAutoZero->setText(text);
}

// Mode and log length are remembered as ints where kNeither means neither; callers read them as 16 bits.
std::uint16_t CCorvaneInstSetupPage::GetModel() const {
    return static_cast<std::uint16_t>(m_nModel);
}

bool CCorvaneInstSetupPage::GetBackscatter() const {
    return m_nBackscatter != 0;
}

std::uint16_t CCorvaneInstSetupPage::GetMode() const {
    return static_cast<std::uint16_t>(m_nMode);
}

bool CCorvaneInstSetupPage::GetLogEnable() const {
    return m_nLogEnable != 0;
}

std::uint16_t CCorvaneInstSetupPage::GetLogLength() const {
    return static_cast<std::uint16_t>(m_nLogLength);
}

bool CCorvaneInstSetupPage::GetDataRecords() const {
    return m_nDataRecords != 0;
}

bool CCorvaneInstSetupPage::GetTimeRecords() const {
    return m_nTimeRecords != 0;
}

bool CCorvaneInstSetupPage::GetPhotonRecords() const {
    return m_nPhotonRecords != 0;
}

bool CCorvaneInstSetupPage::GetAuxRecords() const {
    return m_nAuxRecords != 0;
}

bool CCorvaneInstSetupPage::GetZeroRecords() const {
    return m_nZeroRecords != 0;
}

QString CCorvaneInstSetupPage::GetAveragingTime() const {
    return m_editAveraging->text();
}

QString CCorvaneInstSetupPage::GetBlankTime() const {
    return m_editBlank->text();
}

QString CCorvaneInstSetupPage::GetZeroTime() const {
    return m_editZero->text();
}

QString CCorvaneInstSetupPage::GetAutoZeroPeriod() const {
    return m_editAutoZero->text();
}

void CCorvaneInstSetupPage::SetKeepClock(unsigned seconds) {
    m_spinKeepClock->setValue(static_cast<int>(std::min(seconds, kMaxKeepSeconds)));
}

unsigned CCorvaneInstSetupPage::GetKeepClock() const {
    return static_cast<unsigned>(m_nKeepClock);
}

void CCorvaneInstSetupPage::CommitPageValues() {
    m_nModel = m_cboModel->currentIndex();
    m_nBackscatter = CheckState(m_chkBackscatter);
    m_nMode = CheckedRadio(m_radManual, m_radNormal);
    m_nLogEnable = CheckState(m_chkLogEnable);
    m_nLogLength = CheckedRadio(m_radDaily, m_radWeekly);
    m_nDataRecords = CheckState(m_chkData);
    m_nTimeRecords = CheckState(m_chkTime);
    m_nPhotonRecords = CheckState(m_chkPhoton);
    m_nAuxRecords = CheckState(m_chkAux);
    m_nZeroRecords = CheckState(m_chkZero);
    m_nKeepClock = m_spinKeepClock->value();
    m_bModified = false;
    m_btnApply->setEnabled(false);
}

void CCorvaneInstSetupPage::EnablePageControls(bool enable) {
    if (!m_bInitialized) return;
    for (QWidget* control : {static_cast<QWidget*>(m_cboModel), static_cast<QWidget*>(m_radManual),
                             static_cast<QWidget*>(m_radNormal), static_cast<QWidget*>(m_chkLogEnable)})
        control->setEnabled(enable);
    m_chkBackscatter->setEnabled(enable && m_nModel == ModelIndex::k7830);
    m_radDaily->setEnabled(enable && m_nLogEnable != 0);
    m_radWeekly->setEnabled(enable && m_nLogEnable != 0);
    for (QWidget* control : {static_cast<QWidget*>(m_chkData), static_cast<QWidget*>(m_chkTime),
                             static_cast<QWidget*>(m_chkPhoton), static_cast<QWidget*>(m_chkAux),
                             static_cast<QWidget*>(m_chkZero), static_cast<QWidget*>(m_editAveraging),
                             static_cast<QWidget*>(m_editBlank), static_cast<QWidget*>(m_editZero),
                             static_cast<QWidget*>(m_editAutoZero), static_cast<QWidget*>(m_btnSetTime),
                             static_cast<QWidget*>(m_spinKeepClock)})
        control->setEnabled(enable);
}

void CCorvaneInstSetupPage::EnableWeeklyOption(bool enable) {
    m_radWeekly->setEnabled(enable);
}

void CCorvaneInstSetupPage::RememberLogLength(int value) {
    m_nLogLength = value;
}

void CCorvaneInstSetupPage::RememberKeepClock(unsigned seconds) {
    m_nKeepClock = static_cast<int>(std::min(seconds, kMaxKeepSeconds));
    m_spinKeepClock->setValue(m_nKeepClock);
}

void CCorvaneInstSetupPage::SetRunning(bool running) {
    m_bRunning = running;
    m_btnApply->setEnabled(!running && m_bModified);
}

void CCorvaneInstSetupPage::MarkModified() {
    m_bModified = true;
    // During a data run the settings cannot be sent: the link is busy with unpolled records.
    m_btnApply->setEnabled(!m_bRunning);
}

void CCorvaneInstSetupPage::OnModelActivated(int index) {
    if (index == ModelIndex::k7810 || index == ModelIndex::k7830) m_chkBackscatter->setEnabled(index == ModelIndex::k7830);
    if (index != m_nModel) MarkModified();
}

void CCorvaneInstSetupPage::OnLogEnableClicked() {
    const bool enabled = m_chkLogEnable->isChecked();
    m_radDaily->setEnabled(enabled);
    m_radWeekly->setEnabled(enabled);
    if (CheckState(m_chkLogEnable) != m_nLogEnable) MarkModified();
}

void CCorvaneInstSetupPage::OnApplyChanges() {
    CommitPageValues();
    m_host.ApplySettings();
}

bool CCorvaneInstSetupPage::EnterApplies(const QEvent* event) const {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return (key == Qt::Key_Return || key == Qt::Key_Enter) && m_bModified && !m_bRunning;
}

// Enter with unapplied changes applies them and is consumed; otherwise it goes on to the control
// and the dialog (whose default button is Query). Claiming the shortcut-override event as well
// keeps any window-wide Enter shortcut from taking the key first.
bool CCorvaneInstSetupPage::eventFilter(QObject* watched, QEvent* event) {
    if (!EnterApplies(event)) return QWidget::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::KeyPress) OnApplyChanges();
    return true;
}

void CCorvaneInstSetupPage::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}
