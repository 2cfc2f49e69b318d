// CCorvaneInstSetupPage: the "Setup" tab. The instrument's settings and the logging options, with
// the tracking of unsaved changes; Apply Changes and Set Neph Time hand over to the main window.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class IPageHost;

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

    // Getters return the remembered values (those of the last CommitPageValues).
    std::uint16_t GetModel() const;
    int GetBackscatter() const;
    std::uint16_t GetMode() const;
    int GetLogEnable() const;
    std::uint16_t GetLogLength() const;
    int GetDataRecords() const;
    int GetTimeRecords() const;
    int GetPhotonRecords() const;
    int GetAuxRecords() const;
    int GetZeroRecords() const;
    // The timing edits' current text.
    QString GetAveragingTime() const;
    QString GetBlankTime() const;
    QString GetZeroTime() const;
    QString GetAutoZeroPeriod() const;

    void CommitPageValues();
    void EnablePageControls(bool enable);
    void EnableWeeklyOption(bool enable);
    // Sets the remembered log length without touching the other remembered values (the log-size
    // check's switch to daily files applies at once, not only at the next Apply Changes).
    void RememberLogLength(int value);
    // Apply Changes and its Enter key are refused during a data run.
    void SetRunning(bool running);

    int m_bModified = 0;

    // The private part belongs to the implementation. Controls carry their template id as their
    // object name ("1077", "1079", ...).
};
