// The Trend plots: layout, drawing of the reduced series and of the shaded periods and marks,
// panning and zooming, hover values and export.
#include "pages/TrendView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>
#include <ctime>
#include <fstream>
#include <string>
#include <qcustomplot.h>

#include "trend/CsvExport.h"
#include "trend/Reduction.h"
#include "records/Status.h"
#include "trend/TrendHistory.h"

namespace {

const char* const kAppName = "Corvane";
struct Span {
    const char* text;
    double seconds;
};
constexpr Span kSpans[] = {{"1 hour", 3600}, {"6 hours", 21600}, {"24 hours", 86400}, {"7 days", 604800}};
constexpr int kDefaultSpan = 2;
constexpr double kKeyPanShare = 0.1;
constexpr double kZoomFactor = 2;
constexpr double kShortestSpan = 60;
constexpr int kLiveRedrawMs = 1000;
// Gaps: records further apart than this many usual spacings (and a minute) break the line.
constexpr double kGapSteps = 3;
constexpr double kShortestGap = 60;
constexpr std::size_t kMostMarks = 2000;
constexpr double kMarkBandHeight = 0.035;  // share of the plot's height per kind of mark
constexpr int kCompactWidth = 600;         // narrower plots get the compact look

const QColor kBlue(0, 90, 220), kGreen(0, 150, 60), kRed(215, 30, 30);
const QColor kZeroShade(110, 110, 110, 80), kFaultShade(230, 40, 40, 50);

QString AxisUnitLabel(const char* quantity, const char* unit) {
    return QStringLiteral("%1 (%2)").arg(QString::fromLatin1(quantity), QString::fromLatin1(unit));
}

QColor MarkColour(MarkKind kind) {
    switch (kind) {
        case MarkKind::BackAboveTotal:
            return QColor(200, 0, 200);
        case MarkKind::Negative:
            return QColor(240, 140, 0);
        case MarkKind::Stuck:
            return QColor(60, 60, 60);
    }
    return Qt::black;
}

QString ValueText(double value) {
    return std::isnan(value) ? QStringLiteral("-") : QString::number(value, 'g', 10);
}

// The row whose time is nearest to t, when it is within `tolerance`.
template <class Table>
std::optional<std::size_t> NearestRow(const Table& table, double t, double tolerance) {
    const auto& times = table.Times();
    const auto at = std::lower_bound(times.begin(), times.end(), t);
    std::optional<std::size_t> best;
    for (auto it : {at, at == times.begin() ? at : at - 1}) {
        if (it == times.end()) continue;
        const auto row = static_cast<std::size_t>(it - times.begin());
        if (std::abs(*it - t) <= tolerance && (!best || std::abs(*it - t) < std::abs(times[*best] - t))) best = row;
    }
    return best;
}

// Calls period(start, end, flag) for each run of rows whose flag passes `in`, within [first, last).
template <class Table, class In, class Period>
void ForEachPeriod(const Table& table, std::size_t first, std::size_t last, In in, Period period) {
    std::size_t row = first;
    while (row < last) {
        if (!in(table.Flag(row))) {
            ++row;
            continue;
        }
        const std::uint16_t flag = table.Flag(row);
        std::size_t end = row;
        while (end + 1 < last && table.Flag(end + 1) == flag) ++end;
        // A period lasts until the next record says otherwise.
        const double until = end + 1 < table.Size() ? table.Time(end + 1) : table.Time(end);
        period(table.Time(row), until, flag);
        row = end + 1;
    }
}

QCPGraph* AddGraph(QCPAxis* x, QCPAxis* y, const QString& name, const QColor& colour, Qt::PenStyle style) {
    QCPGraph* graph = x->parentPlot()->addGraph(x, y);
    graph->setName(name);
    graph->setPen(QPen(colour, 1, style));
    graph->setAdaptiveSampling(false);  // the data come reduced already
    return graph;
}

}  // namespace

CTrendView::CTrendView(const CTrendHistory& history, Sources sources, QWidget* parent)
    : QWidget(parent), m_history(history), m_sources(std::move(sources)) {
    BuildControls();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(m_buttonRow);
    layout->addWidget(m_lblProblems);
    m_redrawTimer = new QTimer(this);
    m_redrawTimer->setSingleShot(true);
    connect(m_redrawTimer, &QTimer::timeout, this, &CTrendView::Redraw);
    m_sinceRedraw.start();
}

void CTrendView::BuildControls() {
    m_comboSpan = new QComboBox(this);
    for (const Span& span : kSpans) m_comboSpan->addItem(QString::fromLatin1(span.text), span.seconds);
    m_comboSpan->setCurrentIndex(kDefaultSpan);
    m_span = kSpans[kDefaultSpan].seconds;
    auto* spanLabel = new QLabel(QStringLiteral("&Time span:"), this);
    spanLabel->setBuddy(m_comboSpan);
    m_checkFollow = new QCheckBox(QStringLiteral("&Follow"), this);
    m_checkFollow->setChecked(true);
    m_checkFollow->setToolTip(QStringLiteral("Keep the newest record at the right edge"));
    m_checkLog = new QCheckBox(QStringLiteral("&Log axis"), this);
    m_checkLog->setToolTip(QStringLiteral("Logarithmic scale for the scattering coefficients"));

    m_btnFile = new QPushButton(QStringLiteral("F&ile"), this);
    auto* menu = new QMenu(m_btnFile);
    menu->addAction(QStringLiteral("&Open Log File..."), this, [this] { m_sources.openLogFiles(*this); });
    menu->addAction(QStringLiteral("Export &PNG..."), this, &CTrendView::ChoosePng);
    menu->addAction(QStringLiteral("Export &CSV..."), this, &CTrendView::ChooseCsv);
    m_btnFile->setMenu(menu);
    m_btnFile->setAutoDefault(false);

    connect(m_comboSpan, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_span = kSpans[index].seconds;
        Redraw();
    });
    connect(m_checkFollow, &QCheckBox::toggled, this, [this](bool on) {
        if (on == m_bFollow) return;
        if (!on) m_end = WindowEnd();
        m_bFollow = on;
        Redraw();
    });
    connect(m_checkLog, &QCheckBox::toggled, this, &CTrendView::Redraw);

    m_buttonRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_buttonRow);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : {static_cast<QWidget*>(spanLabel), static_cast<QWidget*>(m_comboSpan),
                       static_cast<QWidget*>(m_checkFollow), static_cast<QWidget*>(m_checkLog)})
        row->addWidget(w);
    row->addStretch();
    row->addWidget(m_btnFile);

    m_lblProblems = new QLabel(this);
    m_lblProblems->setStyleSheet(QStringLiteral("color: #a00000"));
    m_lblProblems->hide();
}

void CTrendView::AddButton(QPushButton* button) {
    button->setParent(m_buttonRow);
    button->setAutoDefault(false);
    m_buttonRow->layout()->addWidget(button);
}

void CTrendView::setVisible(bool visible) {
    // The plots are built when the view is first shown: the main window mostly starts on another page.
    if (visible) Plot();
    QWidget::setVisible(visible);
}

QCustomPlot& CTrendView::Plot() {
    if (!m_plot) BuildPlots();
    return *m_plot;
}

void CTrendView::BuildPlots() {
    m_plot = new QCustomPlot(this);
    m_plot->setFocusPolicy(Qt::StrongFocus);
    m_plot->setToolTip(QString());
    m_plot->setMouseTracking(true);
    m_plot->installEventFilter(this);
    m_plot->setAccessibleName(QStringLiteral("Trend plots"));
    m_plot->setMinimumHeight(120);
    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->addLayer(QStringLiteral("periods"), m_plot->layer(QStringLiteral("grid")), QCustomPlot::limBelow);

    m_rectScatter = m_plot->axisRect();
    m_rectAux = new QCPAxisRect(m_plot);
    m_plot->plotLayout()->addElement(1, 0, m_rectAux);
    m_rectAux->addAxis(QCPAxis::atRight);
    m_rectAux->axis(QCPAxis::atRight, 0)->setVisible(true);
    m_rectAux->axis(QCPAxis::atRight, 1)->setVisible(true);
    auto* group = new QCPMarginGroup(m_plot);
    for (QCPAxisRect* rect : {m_rectScatter, m_rectAux}) {
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, group);
        rect->setRangeDrag(Qt::Horizontal);
        rect->setRangeZoom(Qt::Horizontal);
        rect->axis(QCPAxis::atRight)->setVisible(true);
        auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
        rect->axis(QCPAxis::atBottom)->setTicker(ticker);
        connect(rect->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                &CTrendView::OnUserRangeChanged);
    }
    m_rectScatter->axis(QCPAxis::atBottom)->setTickLabels(false);
    m_rectScatter->axis(QCPAxis::atRight)->setTickLabels(false);

    QCPAxis* x = m_rectScatter->axis(QCPAxis::atBottom);
    const QColor colours[] = {kBlue, kGreen, kRed};
    for (std::size_t c = 0; c < kScatterColumns; ++c)
        m_graphScatter.push_back(AddGraph(x, m_rectScatter->axis(QCPAxis::atLeft),
                                          QString::fromLatin1(ScatterColumnName(c).data(), ScatterColumnName(c).size()),
                                          colours[c % 3], c < 3 ? Qt::SolidLine : Qt::DashLine));

    QCPAxis* xAux = m_rectAux->axis(QCPAxis::atBottom);
    QCPAxis* kelvin = m_rectAux->axis(QCPAxis::atLeft);
    QCPAxis* mbars = m_rectAux->axis(QCPAxis::atRight, 0);
    QCPAxis* percent = m_rectAux->axis(QCPAxis::atRight, 1);
    const QColor auxColours[] = {QColor(90, 90, 90), QColor(200, 100, 0), QColor(130, 50, 170), QColor(0, 150, 150)};
    QCPAxis* auxAxes[] = {mbars, kelvin, kelvin, percent};
    const char* units[] = {"mbars", "K", "K", "%"};
    for (std::size_t c = 0; c < kAuxColumns; ++c)
        m_graphAux.push_back(AddGraph(xAux, auxAxes[c],
                                      AxisUnitLabel(std::string(AuxColumnName(c)).c_str(), units[c]),
                                      auxColours[c], Qt::SolidLine));

    // One legend per plot, in the plot's top left corner.
    m_plot->legend->setVisible(true);
    m_auxLegend = new QCPLegend;
    m_rectAux->insetLayout()->addElement(m_auxLegend, Qt::AlignTop | Qt::AlignLeft);
    m_auxLegend->setLayer(QStringLiteral("legend"));
    for (QCPLegend* legend : {m_plot->legend, m_auxLegend}) {
        legend->setBrush(QColor(255, 255, 255, 210));
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
        legend->setRowSpacing(0);
        legend->setColumnSpacing(4);
    }
    m_plot->legend->setWrap(3);
    m_rectScatter->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    for (QCPGraph* graph : m_graphAux) {
        graph->removeFromLegend(m_plot->legend);
        graph->addToLegend(m_auxLegend);
    }
    ApplyLook(width() < kCompactWidth);

    static_cast<QVBoxLayout*>(layout())->addWidget(m_plot, 1);
    setTabOrder(m_btnFile, m_plot);
}

void CTrendView::ApplyLook(bool compact) {
    // On the main window's fixed page the plots are small: units only, smaller legends and ticks.
    m_bCompact = compact;
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * (compact ? 0.75 : 0.85));
    QFont ticks = font();
    if (compact) ticks.setPointSizeF(ticks.pointSizeF() * 0.8);
    for (QCPLegend* legend : {m_plot->legend, m_auxLegend}) {
        legend->setFont(small);
        legend->setIconSize(compact ? QSize(18, 8) : QSize(32, 18));
    }
    m_auxLegend->setWrap(compact ? 2 : 4);
    m_auxLegend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);  // rearranges to the new wrap
    for (QCPAxisRect* rect : {m_rectScatter, m_rectAux})
        for (QCPAxis* axis : rect->axes()) {
            axis->setTickLabelFont(ticks);
            axis->setLabelFont(ticks);
        }
    m_rectScatter->axis(QCPAxis::atLeft)->setLabel(compact ? QString() : QStringLiteral("Scattering coefficient (as sent)"));
    m_rectAux->axis(QCPAxis::atLeft)->setLabel(compact ? QStringLiteral("K") : AxisUnitLabel("Temperature", "K"));
    // The right axes' units are in the legend; on the small page their labels would not fit.
    m_rectAux->axis(QCPAxis::atRight, 0)->setLabel(compact ? QString() : AxisUnitLabel("Pressure", "mbars"));
    m_rectAux->axis(QCPAxis::atRight, 1)->setLabel(compact ? QString() : AxisUnitLabel("RH", "%"));
}

void CTrendView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const bool compact = width() < kCompactWidth;
    if (m_plot && compact != m_bCompact) {
        ApplyLook(compact);
        m_plot->replot();
    }
}

double CTrendView::WindowEnd() const {
    if (!m_bFollow) return m_end;
    const double newest = m_history.Data().Newest();
    return newest > 0 ? newest : static_cast<double>(std::time(nullptr));
}

double CTrendView::ColumnSeconds() const {
    return m_span / std::max(1, m_rectScatter->width());
}

void CTrendView::HistoryChanged(bool live) {
    m_bDirty = true;
    if (!isVisible()) return;
    if (!live) {
        Redraw();
        return;
    }
    if (m_redrawTimer->isActive()) return;
    // A live record moves the plot by less than a pixel until a column's worth of time has passed
    // since the window drawn last; the first records of an empty plot show at once.
    const double ahead = m_bDrawnEmpty ? ColumnSeconds() : m_history.Data().Newest() - m_drawnEnd;
    const double wait = std::max(kLiveRedrawMs - m_sinceRedraw.elapsed(),
                                 static_cast<qint64>((ColumnSeconds() - ahead) * 1000));
    m_redrawTimer->start(static_cast<int>(std::clamp(wait, 0.0, 3600e3)));
}

void CTrendView::ShowFixedWindowEndingAt(double end) {
    m_end = end;
    SetFollow(false);
    Redraw();
}

void CTrendView::SetFollow(bool follow) {
    m_bFollow = follow;
    const QSignalBlocker block(m_checkFollow);
    m_checkFollow->setChecked(follow);
}

void CTrendView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_bDirty) QTimer::singleShot(0, this, &CTrendView::Redraw);
}

void CTrendView::Redraw() {
    if (!m_plot) return;  // drawn when the plots are built and shown, as the view is still dirty
    m_redrawTimer->stop();
    m_sinceRedraw.restart();
    if (m_sources.needHistory) m_sources.needHistory(WindowStart());
    m_bDirty = false;
    const double t1 = WindowEnd(), t0 = t1 - m_span;
    m_drawnEnd = t1;
    m_bDrawnEmpty = m_history.Data().Empty();
    m_bDrawing = true;
    m_plot->clearItems();
    DrawSeries(t0, t1);
    DrawPeriods(t0, t1);
    DrawMarks(t0, t1);
    auto* ticker = static_cast<QCPAxisTickerDateTime*>(m_rectAux->axis(QCPAxis::atBottom)->ticker().data());
    ticker->setDateTimeFormat(m_span > 86400 ? QStringLiteral("ddd d MMM\nhh:mm") : QStringLiteral("hh:mm\nd MMM"));
    m_bDrawing = false;
    ShowProblems();
    m_plot->replot();
}

void CTrendView::DrawSeries(double t0, double t1) {
    const TrendData& data = m_history.Data();
    const auto columns = static_cast<std::size_t>(std::max(1, m_rectScatter->width()));
    auto fill = [&](QCPGraph* graph, const std::vector<double>& times, const std::vector<double>& values, double gap) {
        const ReducedSeries reduced = ReduceToColumns(times, values, t0, t1, columns, gap);
        graph->setData(QVector<double>(reduced.time.begin(), reduced.time.end()),
                       QVector<double>(reduced.value.begin(), reduced.value.end()), true);
    };
    const double scatterGap = std::max(kShortestGap, kGapSteps * TypicalStep(data.scatter.Times()));
    const double auxGap = std::max(kShortestGap, kGapSteps * TypicalStep(data.aux.Times()));
    for (std::size_t c = 0; c < kScatterColumns; ++c)
        fill(m_graphScatter[c], data.scatter.Times(), data.scatter.Column(c), scatterGap);
    for (std::size_t c = 0; c < kAuxColumns; ++c) fill(m_graphAux[c], data.aux.Times(), data.aux.Column(c), auxGap);

    for (QCPAxisRect* rect : {m_rectScatter, m_rectAux}) rect->axis(QCPAxis::atBottom)->setRange(t0, t1);
    QCPAxis* scatterAxis = m_rectScatter->axis(QCPAxis::atLeft);
    const bool log = m_checkLog->isChecked();
    scatterAxis->setScaleType(log ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
    if (log)
        scatterAxis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
    else
        scatterAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
    // Each value axis fits what its graphs show in the window.
    auto fit = [](const std::vector<QCPGraph*>& graphs, QCPAxis* axis) {
        bool first = true;
        for (QCPGraph* graph : graphs) {
            if (graph->valueAxis() != axis) continue;
            graph->rescaleValueAxis(!first, true);
            first = false;
        }
        axis->scaleRange(1.1, axis->range().center());
    };
    fit(m_graphScatter, scatterAxis);
    for (QCPAxis* axis : m_rectAux->axes(QCPAxis::atLeft | QCPAxis::atRight)) fit(m_graphAux, axis);
}

void CTrendView::DrawPeriods(double t0, double t1) {
    const TrendData& data = m_history.Data();
    auto shade = [this](QCPAxisRect* rect, double start, double end, const QColor& colour) {
        auto* item = new QCPItemRect(m_plot);
        item->setLayer(QStringLiteral("periods"));
        item->setClipAxisRect(rect);
        for (QCPItemPosition* p : {item->topLeft, item->bottomRight}) {
            p->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            p->setTypeY(QCPItemPosition::ptAxisRectRatio);
            p->setAxisRect(rect);
        }
        item->topLeft->setCoords(start, 0);
        item->bottomRight->setCoords(std::max(end, start + ColumnSeconds()), 1);
        item->setPen(Qt::NoPen);
        item->setBrush(colour);
    };
    const auto [d0, d1] = data.scatter.Rows(t0, t1);
    ForEachPeriod(data.scatter, d0 > 0 ? d0 - 1 : d0, d1, [](std::uint16_t mode) { return mode == 'Z'; },
                  [&](double start, double end, std::uint16_t) { shade(m_rectScatter, start, end, kZeroShade); });
    const auto [y0, y1] = data.aux.Rows(t0, t1);
    ForEachPeriod(data.aux, y0 > 0 ? y0 - 1 : y0, y1, [](std::uint16_t faults) { return faults != 0; },
                  [&](double start, double end, std::uint16_t) {
                      for (QCPAxisRect* rect : {m_rectScatter, m_rectAux}) shade(rect, start, end, kFaultShade);
                  });
    // Each Z record: a dotted line where the instrument reported a finished zero.
    const auto first = std::lower_bound(data.zeroRecords.begin(), data.zeroRecords.end(), t0);
    for (auto it = first; it != data.zeroRecords.end() && *it <= t1; ++it) {
        auto* line = new QCPItemStraightLine(m_plot);
        line->setLayer(QStringLiteral("periods"));
        line->setClipAxisRect(m_rectScatter);
        line->point1->setAxes(m_rectScatter->axis(QCPAxis::atBottom), m_rectScatter->axis(QCPAxis::atLeft));
        line->point2->setAxes(m_rectScatter->axis(QCPAxis::atBottom), m_rectScatter->axis(QCPAxis::atLeft));
        line->point1->setCoords(*it, 0);
        line->point2->setCoords(*it, 1);
        line->setPen(QPen(QColor(100, 100, 100), 1, Qt::DotLine));
    }
}

void CTrendView::DrawMarks(double t0, double t1) {
    m_marks = FindPlausibilityMarks(m_history.Data(), t0, t1, 2 * ColumnSeconds());
    if (m_marks.size() > kMostMarks) m_marks.resize(kMostMarks);
    for (const PlausibilityMark& mark : m_marks) {
        QCPAxisRect* rect = mark.aux ? m_rectAux : m_rectScatter;
        const double top = static_cast<double>(static_cast<int>(mark.kind)) * kMarkBandHeight;
        auto* item = new QCPItemRect(m_plot);
        item->setClipAxisRect(rect);
        for (QCPItemPosition* p : {item->topLeft, item->bottomRight}) {
            p->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            p->setTypeY(QCPItemPosition::ptAxisRectRatio);
            p->setAxisRect(rect);
        }
        item->topLeft->setCoords(mark.start - ColumnSeconds() / 2, 1 - top - kMarkBandHeight);
        item->bottomRight->setCoords(mark.end + ColumnSeconds() / 2, 1 - top);
        item->setPen(Qt::NoPen);
        item->setBrush(MarkColour(mark.kind));
    }
}

void CTrendView::ShowProblems() {
    const CLogProblems& problems = m_history.Problems();
    m_lblProblems->setVisible(problems.Count() > 0);
    if (problems.Count() == 0) return;
    auto describe = [](const LogProblem& p) {
        return p.line == 0 ? QStringLiteral("%1: %2").arg(QString::fromStdString(p.file), QString::fromStdString(p.what))
                           : QStringLiteral("%1 line %2: %3")
                                 .arg(QString::fromStdString(p.file))
                                 .arg(p.line)
                                 .arg(QString::fromStdString(p.what));
    };
    const LogProblem& first = problems.Kept().front();
    QString text = problems.Count() == 1
                       ? QStringLiteral("Could not read %1").arg(describe(first))
                       : QStringLiteral("Could not read %1 (and %2 more)").arg(describe(first)).arg(problems.Count() - 1);
    m_lblProblems->setText(m_lblProblems->fontMetrics().elidedText(text, Qt::ElideRight, width() - 8));
    QStringList lines;
    for (const LogProblem& p : problems.Kept()) lines << describe(p);
    if (problems.Count() > problems.Kept().size())
        lines << QStringLiteral("... %1 more").arg(problems.Count() - problems.Kept().size());
    m_lblProblems->setToolTip(lines.join(u'\n'));
}

void CTrendView::OnUserRangeChanged() {
    if (m_bDrawing) return;
    // The operator dragged or zoomed: the window stays where it was put.
    const QCPRange range = static_cast<QCPAxis*>(sender())->range();
    for (QCPAxisRect* rect : {m_rectScatter, m_rectAux}) {
        m_bDrawing = true;
        rect->axis(QCPAxis::atBottom)->setRange(range);
        m_bDrawing = false;
    }
    m_span = std::clamp(range.size(), kShortestSpan, kLongestSpan);
    m_end = range.lower + m_span;
    SetFollow(false);
    if (!m_redrawTimer->isActive()) m_redrawTimer->start(0);
}

void CTrendView::MoveWindow(double seconds, double factor) {
    const double end = WindowEnd();
    const double centre = end - m_span / 2 + seconds;
    m_span = std::clamp(m_span * factor, kShortestSpan, kLongestSpan);
    m_end = centre + m_span / 2;
    SetFollow(false);
    Redraw();
}

bool CTrendView::HandleKey(int key) {
    switch (key) {
        case Qt::Key_Left:
            MoveWindow(-kKeyPanShare * m_span, 1);
            return true;
        case Qt::Key_Right:
            MoveWindow(kKeyPanShare * m_span, 1);
            return true;
        case Qt::Key_PageUp:
            MoveWindow(-m_span, 1);
            return true;
        case Qt::Key_PageDown:
            MoveWindow(m_span, 1);
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            MoveWindow(0, 1 / kZoomFactor);
            return true;
        case Qt::Key_Minus:
            MoveWindow(0, kZoomFactor);
            return true;
        case Qt::Key_Home:
            ShowFixedWindowEndingAt(m_history.Data().Oldest() + m_span);
            return true;
        case Qt::Key_End:
            SetFollow(true);
            Redraw();
            return true;
        default:
            return false;
    }
}

bool CTrendView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_plot) {
        if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event)->key())) return true;
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            if (move->buttons() == Qt::NoButton) ShowHover(move->position().toPoint(), move->globalPosition().toPoint());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CTrendView::ShowHover(const QPoint& position, const QPoint& global) {
    QCPAxisRect* rect = m_rectScatter->rect().contains(position) ? m_rectScatter
                        : m_rectAux->rect().contains(position)   ? m_rectAux
                                                                 : nullptr;
    if (!rect) {
        QToolTip::hideText();
        return;
    }
    const double t = rect->axis(QCPAxis::atBottom)->pixelToCoord(position.x());
    const TrendData& data = m_history.Data();
    const double tolerance = std::max(3 * ColumnSeconds(), 2.0 * TypicalStep(data.scatter.Times()));
    QStringList lines{QString::fromStdString(IsoLocalTime(t)).replace(u'T', u' ')};
    if (const auto row = NearestRow(data.scatter, t, tolerance)) {
        for (std::size_t c = 0; c < kScatterColumns; ++c)
            lines << QStringLiteral("%1: %2").arg(QString::fromLatin1(ScatterColumnName(c).data()),
                                                  ValueText(data.scatter.Value(*row, c)));
        if (data.scatter.Flag(*row) == 'Z') lines << QStringLiteral("Zeroing");
    }
    const double auxTolerance = std::max(3 * ColumnSeconds(), 2.0 * TypicalStep(data.aux.Times()));
    if (const auto row = NearestRow(data.aux, t, auxTolerance)) {
        for (std::size_t c = 0; c < kAuxColumns; ++c)
            lines << QStringLiteral("%1: %2").arg(QString::fromLatin1(AuxColumnName(c).data()),
                                                  ValueText(data.aux.Value(*row, c)));
        if (data.aux.Flag(*row) != 0)
            lines << QStringLiteral("Fault: %1").arg(QString::fromStdString(FormatStatusText(data.aux.Flag(*row))));
    }
    const double half = ColumnSeconds();
    for (const PlausibilityMark& mark : m_marks)
        if (t >= mark.start - half && t <= mark.end + half) lines << QString::fromStdString(DescribeMark(mark));
    QToolTip::showText(global, lines.join(u'\n'), m_plot);
}

bool CTrendView::ExportPng(const QString& path) {
    return Plot().savePng(path);
}

bool CTrendView::ExportCsv(const QString& path) {
    std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary);
    WriteCsv(out, m_history.Data(), WindowStart(), WindowEnd());
    out.flush();
    return static_cast<bool>(out);
}

void CTrendView::ChoosePng() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export PNG"), QStringLiteral("trend.png"),
                                                      QStringLiteral("PNG Images (*.png)"));
    if (!path.isEmpty() && !ExportPng(path))
        QMessageBox::warning(this, QString::fromLatin1(kAppName), QStringLiteral("Could not write %1.").arg(path));
}

void CTrendView::ChooseCsv() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export CSV"), QStringLiteral("trend.csv"),
                                                      QStringLiteral("CSV Files (*.csv)"));
    if (!path.isEmpty() && !ExportCsv(path))
        QMessageBox::warning(this, QString::fromLatin1(kAppName), QStringLiteral("Could not write %1.").arg(path));
}
