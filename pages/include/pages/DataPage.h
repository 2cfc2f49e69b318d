// CCorvaneDataPage: the "Data" tab. Shows the latest record values, the operating mode with its
// countdown, the next-data countdown and the status light; owns the one-second timer of a run.
#pragma once

#include <QWidget>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "records/OperatingMode.h"

class IPageHost;

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

    // Run operations.
    void StartCountdowns();
    void StopCountdowns();
    void ClearCountdowns();
    void SetModeAfterBlanking(char letter);

    bool HasFault() const;
    std::string GetStatusText() const;
    bool HasInstrumentTime() const;
    std::time_t GetInstrumentTime() const;  // only when HasInstrumentTime()

    // The private part belongs to the implementation. Controls carry their template id as their
    // object name ("1079", "1100", ...).
};
