// What the status page, its chart and status.json show, gathered at one moment, and the three
// renderings of it. Used by the health server; the page's files are Qt resources (page/).
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <chrono>
#include <string>
#include <vector>

#include "health/RecordTally.h"
#include "run/RunStatus.h"

struct StationView {
    RunStatus run;
    const CRecordTally& records;
    std::vector<std::string> journal;  // the last lines, oldest first
    std::chrono::system_clock::time_point now;
};

// The status light: green for a run without faults, red for faults or a run waiting for its
// instrument, amber while a run starts or stops, grey without a run.
enum class Light { Green, Amber, Red, Grey };
Light LightOf(const StationView& view);

// status.json: the run's state and since when, port and device, log file, counters, the latest
// values with their times, records by letter, active faults and the journal's lines.
QJsonObject StatusJson(const StationView& view);

// The status page: pageTemplate (page/status.html) with its {{name}} fields filled in, so that it
// shows the state as of loading without JavaScript.
QByteArray StatusPage(const StationView& view, const QString& pageTemplate);

// The six coefficients over the last day, as an SVG picture.
QByteArray CoefficientChart(const std::vector<CRecordTally::ChartPoint>& history,
                            std::chrono::system_clock::time_point now);
