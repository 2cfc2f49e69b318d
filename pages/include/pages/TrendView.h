// CTrendView: the Trend plots. The six scattering coefficients above, the Y record's temperatures,
// pressure and humidity below; zero and fault periods shaded, plausibility hints marked, values
// shown on hover. The span (1 h, 6 h, 24 h, 7 days) follows the newest record or stays where the
// operator pans and zooms it with the mouse or the keys.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "trend/Plausibility.h"

class CTrendHistory;
class QCheckBox;
class QComboBox;
class QCPAxisRect;
class QCPGraph;
class QCPLegend;
class QCustomPlot;
class QLabel;
class QPushButton;
class QTimer;

class CTrendView : public QWidget {
    Q_OBJECT
public:
    // The page answers these: where the history comes from and where opened files go.
    struct Sources {
        std::function<void(double from)> needHistory;  // make sure the history reaches back to `from`
        std::function<void(CTrendView&)> openLogFiles;  // "Open Log File..." was chosen in this view
    };

    // The widest window the operator can zoom out to, in seconds.
    static constexpr double kLongestSpan = 8 * 604800.0;

    CTrendView(const CTrendHistory& history, Sources sources, QWidget* parent = nullptr);

    // The history changed. Live records redraw at most once per pixel column of time (and at most
    // once a second) while the view is visible; anything else redraws at once.
    void HistoryChanged(bool live);
    // Shows the span ending at `end`, no longer following the newest record.
    void ShowFixedWindowEndingAt(double end);

    // The shown time window, in seconds since the epoch.
    double WindowStart() const { return WindowEnd() - m_span; }
    double WindowEnd() const;
    bool IsFollowing() const { return m_bFollow; }
    // The plots, built on the first call or when the view is first shown.
    QCustomPlot& Plot();
    // The row of buttons; the page adds its "New Window" there.
    void AddButton(QPushButton* button);

    // Writes the plots as PNG / the shown values as CSV; false on failure.
    bool ExportPng(const QString& path);
    bool ExportCsv(const QString& path);

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void BuildPlots();
    void ApplyLook(bool compact);
    void Redraw();
    void DrawSeries(double t0, double t1);
    void DrawPeriods(double t0, double t1);
    void DrawMarks(double t0, double t1);
    void ShowProblems();
    void ShowHover(const QPoint& position, const QPoint& global);
    bool HandleKey(int key);
    // Moves the window by `seconds` and scales its width by `factor`, keeping it fixed.
    void MoveWindow(double seconds, double factor);
    void OnUserRangeChanged();
    void SetFollow(bool follow);
    void ChoosePng();
    void ChooseCsv();
    double ColumnSeconds() const;

    const CTrendHistory& m_history;
    Sources m_sources;
    QComboBox* m_comboSpan = nullptr;
    QCheckBox* m_checkFollow = nullptr;
    QCheckBox* m_checkLog = nullptr;
    QPushButton* m_btnFile = nullptr;
    QWidget* m_buttonRow = nullptr;
    QLabel* m_lblProblems = nullptr;
    QCustomPlot* m_plot = nullptr;
    QCPAxisRect* m_rectScatter = nullptr;
    QCPAxisRect* m_rectAux = nullptr;
    QCPLegend* m_auxLegend = nullptr;
    std::vector<QCPGraph*> m_graphScatter;
    std::vector<QCPGraph*> m_graphAux;
    std::vector<PlausibilityMark> m_marks;  // of the shown window, for hover texts
    QTimer* m_redrawTimer = nullptr;
    QElapsedTimer m_sinceRedraw;

    double m_span = 86400;
    bool m_bFollow = true;
    double m_end = 0;           // right edge while not following
    bool m_bDrawing = false;    // our own range changes are not the operator's
    bool m_bDirty = true;       // changed while hidden
    bool m_bCompact = false;    // the small look of the main window's page
    double m_drawnEnd = 0;      // right edge of the last drawing
    bool m_bDrawnEmpty = true;  // the last drawing had no records
};
