// CCorvaneDataPage: the "Data" tab. Shows the latest record values, the operating mode with its
// countdown, the next-data countdown and the status light; owns the one-second timer of a run.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pages/DataPageIds.h"
#include "pages/Icons.h"
#include "records/OperatingMode.h"

class CParentMenuEdit;
class IPageHost;
class QLabel;
class QTimer;

class CCorvaneDataPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int TIMER_DATA_PAGE = 102;

    explicit CCorvaneDataPage(IPageHost& host, QWidget* parent = nullptr);
    ~CCorvaneDataPage() override;

    // Record handlers: each takes one instrument line.
    void OnTimeRecord(const std::string& line);
    void OnDataRecord(const std::string& line);
    void OnAuxRecord(const std::string& line);
    void OnZeroRecord(const std::string& line);
    void OnPhotonRecord(const std::string& line);
    // The window hands a batch of records over between these: every record is handled, and each
    // label is set once at the end, with its newest text.
    void HoldLabels();
    void ShowHeldLabels();

    void StartCountdowns();
    void StopCountdowns();
    void ClearCountdowns();
    void SetModeAfterBlanking(char letter);

    // While a run waits for its instrument: the status light red with this text. Empty text goes
    // back to the instrument's own status.
    void ShowNoInstrument(const std::string& text);
    // The instrument's clock against the PC's, in seconds ahead (nothing before a run's first T
    // record), in the status light's tooltip.
    void ShowClockOffset(std::optional<double> offsetSeconds);

    bool HasFault() const;
    std::string GetStatusText() const;
    bool HasInstrumentTime() const;
    std::time_t GetInstrumentTime() const;  // only when HasInstrumentTime()

    // One tick of timer 102 (the timer named "102" calls it every second during a run).
    void OnTimerTick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildControls();
    QLabel* Label(DataPageId id) const;
    void ShowStatus(std::int32_t statusWord);
    // Sets the label's text, or keeps it for ShowHeldLabels while labels are held.
    void Show(QLabel* box, std::string_view text);
    const QPixmap& LightPixmap(IconId iconId);

    IPageHost& m_host;
    QTimer* m_timer = nullptr;
    bool m_bCounting = false;  // between StartCountdowns and StopCountdowns

    std::uint16_t m_nNextDataCount = 0;
    // The mode field, the mode countdown and the mode after blanking.
    COperatingMode m_mode;
    std::optional<std::time_t> m_instrumentTime;
    std::string m_strStatusText;
    IconId m_windowIcon = IconId::Application;  // the window icon last asked of the main window
    IconId m_lightIcon = IconId::GreenDisc;     // the icon the status light shows
    std::int32_t m_nStatusWord = 0;
    std::string m_strNoInstrument;  // shown instead of the status while not empty
    std::string m_strLastDataTime;  // of the last valid T record, which a zero record takes
    bool m_bHoldLabels = false;
    std::vector<std::pair<QLabel*, QString>> m_heldTexts;
    std::map<IconId, QPixmap> m_lightPixmaps;

    QLabel* m_lblMode = nullptr;
    QLabel* m_boxModeSeconds = nullptr;
    QLabel* m_boxNextData = nullptr;
    QLabel* m_lblStatusLight = nullptr;
    CParentMenuEdit* m_editStatus = nullptr;
    QLabel* m_boxLastDataTime = nullptr;
    std::array<QLabel*, 6> m_boxScattering{};  // total Blue, Green, Red, back Blue, Green, Red
    QLabel* m_boxZeroTime = nullptr;
    std::array<QLabel*, 9> m_boxZero{};        // total, back and Rayleigh, Blue, Green, Red
    QLabel* m_boxInletTemp = nullptr;
    QLabel* m_boxSampleTemp = nullptr;
    QLabel* m_boxHumidity = nullptr;
    QLabel* m_boxPressure = nullptr;
};
