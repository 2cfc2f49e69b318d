// The six scattering coefficients of the last day as a small SVG line chart: total scatter solid,
// backscatter dashed, in the colour of each wavelength; a gap of over five minutes breaks a line.
#include <QString>
#include <algorithm>
#include <cmath>

#include "ViewTexts.h"
#include "health/StatusView.h"

namespace {

constexpr int kWidth = 720, kHeight = 260;
constexpr int kLeft = 56, kRight = 12, kTop = 28, kBottom = 24;  // margins around the plot
constexpr double kPlotWidth = kWidth - kLeft - kRight, kPlotHeight = kHeight - kTop - kBottom;
constexpr auto kLargestGap = std::chrono::minutes(5);
const char* const kColours[] = {"#1f5fbf", "#2e8b3a", "#c0392b"};
const char* const kNames[] = {"Total blue", "Total green", "Total red",
                              "Back blue",  "Back green",  "Back red"};

QString Number(double value) {
    return QString::number(value, 'g', 4);
}

}  // namespace

QByteArray CoefficientChart(const std::vector<CRecordTally::ChartPoint>& history, SystemTime now) {
    const SystemTime start = now - CRecordTally::kHistorySpan;
    double low = 0, high = 0;
    for (const auto& point : history)
        for (const double v : point.means)
            if (std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
    if (high <= low) high = low + 1;

    const auto x = [&](SystemTime t) {
        return kLeft + kPlotWidth * std::chrono::duration<double>(t - start) /
                           std::chrono::duration<double>(now - start);
    };
    const auto y = [&](double v) { return kTop + kPlotHeight * (high - v) / (high - low); };

    QString svg =
        QStringLiteral(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\" width=\"%1\" height=\"%2\" "
            "font-family=\"sans-serif\" font-size=\"11\">\n"
            "<rect x=\"%3\" y=\"%4\" width=\"%5\" height=\"%6\" fill=\"#fff\" stroke=\"#999\"/>\n")
            .arg(kWidth)
            .arg(kHeight)
            .arg(kLeft)
            .arg(kTop)
            .arg(kPlotWidth)
            .arg(kPlotHeight);
    // Hours back from now along the bottom; the range of values up the side.
    for (int hours = 24; hours >= 0; hours -= 6) {
        const double at = x(now - std::chrono::hours(hours));
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
                   .arg(at)
                   .arg(kHeight - 6)
                   .arg(hours ? QStringLiteral("-%1 h").arg(hours) : QStringLiteral("now"));
    }
    for (const double v : {low, high})
        svg += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>\n")
                   .arg(kLeft - 4)
                   .arg(y(v) + 4)
                   .arg(Number(v));

    for (std::size_t series = 0; series < kCoefficientCount; ++series) {
        const QString style =
            QStringLiteral("fill=\"none\" stroke=\"%1\" stroke-width=\"1.5\" stroke-linecap=\"round\"%2")
                .arg(kColours[series % 3])
                .arg(series < 3 ? QString() : QStringLiteral(" stroke-dasharray=\"5 3\""));
        svg += QStringLiteral("<text x=\"%1\" y=\"16\" fill=\"%2\">%3%4</text>\n")
                   .arg(kLeft + 110 * static_cast<int>(series))
                   .arg(kColours[series % 3])
                   .arg(series < 3 ? QStringLiteral("— ") : QStringLiteral("- - "))
                   .arg(kNames[series]);
        QString points;
        int count = 0;
        std::optional<SystemTime> previous;
        // A lone minute is drawn as a dot: the line to itself with round ends.
        const auto flush = [&] {
            if (count == 1) points += points;
            if (count > 0)
                svg += QStringLiteral("<polyline %1 points=\"%2\"/>\n").arg(style, points.trimmed());
            points.clear();
            count = 0;
        };
        for (const auto& point : history) {
            const double v = point.means[series];
            if (!std::isfinite(v) || point.minute < start ||
                (previous && point.minute - *previous > kLargestGap))
                flush();
            if (!std::isfinite(v) || point.minute < start) continue;
            points += QStringLiteral("%1,%2 ").arg(x(point.minute), 0, 'f', 1).arg(y(v), 0, 'f', 1);
            ++count;
            previous = point.minute;
        }
        flush();
    }
    if (history.empty())
        svg +=
            QStringLiteral(
                "<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">No D records in the last 24 hours</text>\n")
                .arg(kLeft + kPlotWidth / 2)
                .arg(kTop + kPlotHeight / 2);
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}
