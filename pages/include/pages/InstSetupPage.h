// CCorvaneInstSetupPage: the "Setup" tab. The instrument's settings and the logging options, with
// the tracking of unsaved changes; Apply Changes and Set Neph Time hand over to the main window.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "pages/SetupPageIds.h"
#include "records/InstrumentSettings.h"

class CParentMenuEdit;
class IPageHost;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

class CCorvaneInstSetupPage : public QWidget {
    Q_OBJECT
public:
    explicit CCorvaneInstSetupPage(IPageHost& host, QWidget* parent = nullptr);

    // Setters change the controls only.
    void SetModel(int index);
    void SetBackscatter(int state);
    void SetMode(int value);
    void SetLogEnable(int state);
    void SetLogLength(int value);
    void SetDataRecords(int state);
    void SetTimeRecords(int state);
    void SetPhotonRecords(int state);
    void SetAuxRecords(int state);
    void SetZeroRecords(int state);
    void SetAveragingTime(const QString& text);
    void SetBlankTime(const QString& text);
    void SetZeroTime(const QString& text);
    void SetAutoZeroPeriod(const QString& text);
    // Seconds the instrument's clock is kept within of the PC's; 0 for not kept.
    void SetKeepClock(unsigned seconds);

    // Getters return the remembered values (those of the last CommitPageValues).
    std::uint16_t GetModel() const;
    bool GetBackscatter() const;
    std::uint16_t GetMode() const;
    bool GetLogEnable() const;
    std::uint16_t GetLogLength() const;
    bool GetDataRecords() const;
    bool GetTimeRecords() const;
    bool GetPhotonRecords() const;
    bool GetAuxRecords() const;
    bool GetZeroRecords() const;
    // The timing edits' current text.
    QString GetAveragingTime() const;
    QString GetBlankTime() const;
    QString GetZeroTime() const;
    QString GetAutoZeroPeriod() const;
    unsigned GetKeepClock() const;

    void CommitPageValues();
    void EnablePageControls(bool enable);
    void EnableWeeklyOption(bool enable);
    // Sets the remembered log length without touching the other remembered values (the log-size
    // check's switch to daily files applies at once, not only at the next Apply Changes).
    void RememberLogLength(int value);
    // Shows and remembers the clock keeping, as loaded, without marking the page.
    void RememberKeepClock(unsigned seconds);
    // Apply Changes and its Enter key are refused during a data run.
    void SetRunning(bool running);
    // Marks the page as holding changes not applied: also when the controller puts back a refused
    // value whose text did not change.
    void MarkModified();

    bool m_bModified = false;

    // What a radio pair's remembered value (mode, log length) is when neither is checked, and before
    // the page's first commit.
    static constexpr int kNeither = -1;
    static constexpr int kNotCommitted = 2;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // A check box or radio that marks the page modified when clicked into a state other than the
    // remembered one.
    QCheckBox* AddCheckBox(SetupPageId id, const QString& text, int x, int y, int w, const QString& toolTip,
                           int CCorvaneInstSetupPage::*remembered);
    QRadioButton* AddRadio(QButtonGroup* group, int value, SetupPageId id, const QString& text, int x, int y, int w,
                           const QString& toolTip, int CCorvaneInstSetupPage::*remembered);
    CParentMenuEdit* AddTimingEdit(SetupPageId labelId, const QString& label, SetupPageId editId, int y,
                                   const QString& toolTip);
    bool EnterApplies(const QEvent* event) const;
    void OnApplyChanges();
    void OnModelActivated(int index);
    void OnLogEnableClicked();

    IPageHost& m_host;
    bool m_bInitialized = false;
    bool m_bRunning = false;

    // Remembered values: what the controls held at the last CommitPageValues.
    int m_nModel = ModelIndex::kUnknown;
    int m_nBackscatter = 0;
    int m_nMode = kNotCommitted;  // kModeManual, kModeNormal or kNeither
    int m_nLogEnable = 0;
    int m_nLogLength = kNotCommitted;  // daily, weekly (as the data log numbers them) or kNeither
    int m_nDataRecords = 0;
    int m_nTimeRecords = 0;
    int m_nPhotonRecords = 0;
    int m_nAuxRecords = 0;
    int m_nZeroRecords = 0;

    QComboBox* m_cboModel = nullptr;
    QCheckBox* m_chkBackscatter = nullptr;
    QButtonGroup* m_grpMode = nullptr;
    QRadioButton* m_radManual = nullptr;
    QRadioButton* m_radNormal = nullptr;
    QCheckBox* m_chkLogEnable = nullptr;
    QButtonGroup* m_grpLogLength = nullptr;
    QRadioButton* m_radDaily = nullptr;
    QRadioButton* m_radWeekly = nullptr;
    QCheckBox* m_chkData = nullptr;
    QCheckBox* m_chkTime = nullptr;
    QCheckBox* m_chkPhoton = nullptr;
    QCheckBox* m_chkAux = nullptr;
    QCheckBox* m_chkZero = nullptr;
    CParentMenuEdit* m_editAveraging = nullptr;
    CParentMenuEdit* m_editBlank = nullptr;
    CParentMenuEdit* m_editZero = nullptr;
    CParentMenuEdit* m_editAutoZero = nullptr;
    QPushButton* m_btnApply = nullptr;
    QPushButton* m_btnSetTime = nullptr;
    QSpinBox* m_spinKeepClock = nullptr;
    int m_nKeepClock = 0;
};
