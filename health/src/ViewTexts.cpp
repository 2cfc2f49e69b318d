// Shared texts of the status page and status.json.
#include "ViewTexts.h"

#include <QDateTime>
#include <cstdlib>

#include "records/Status.h"
#include "station/ClockTexts.h"

namespace {
QDateTime ToDateTime(SystemTime time) {
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count(), Qt::UTC);
}
}  // namespace

QString IsoUtc(SystemTime time) {
    return ToDateTime(time).toString(Qt::ISODateWithMs);
}

QString StationTime(SystemTime time) {
    const QDateTime local = ToDateTime(time).toLocalTime();
    const int offset = local.offsetFromUtc() / 60;  // minutes east of UTC
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
           QStringLiteral("%1%2:%3")
               .arg(QChar(offset < 0 ? u'-' : u'+'))
               .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
               .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
}

QString AgeText(std::chrono::system_clock::duration age) {
    using namespace std::chrono;
    const auto seconds = std::max<std::int64_t>(0, duration_cast<std::chrono::seconds>(age).count());
    if (seconds < 60) return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600) return QStringLiteral("%1 min").arg(seconds / 60);
    if (seconds < 86400) return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
    return QStringLiteral("%1 d %2 h").arg(seconds / 86400).arg(seconds % 86400 / 3600);
}

QString ClockText(const RunStatus& run) {
    QString text = run.clockOffsetSeconds ? QString::fromStdString(ClockDifferenceText(*run.clockOffsetSeconds))
                                          : QStringLiteral("–");
    if (run.pcClockSynchronized && !*run.pcClockSynchronized)
        text += QStringLiteral(" (the PC's clock is not synchronised)");
    return text;
}

QString StateText(RunState state) {
    switch (state) {
        case RunState::Idle:
            return QStringLiteral("No run");
        case RunState::Starting:
            return QStringLiteral("Starting");
        case RunState::Running:
            return QStringLiteral("Running");
        case RunState::WaitingForInstrument:
            return QStringLiteral("Waiting for the instrument");
        case RunState::Stopping:
            return QStringLiteral("Stopping");
    }
    return {};
}

Light LightOf(const StationView& view) {
    if (view.run.state == RunState::WaitingForInstrument || !ActiveFaults(view.records).isEmpty())
        return Light::Red;
    if (view.run.state == RunState::Running) return Light::Green;
    if (view.run.state == RunState::Idle) return Light::Grey;
    return Light::Amber;
}

const char* LightName(Light light) {
    switch (light) {
        case Light::Green:
            return "green";
        case Light::Amber:
            return "amber";
        case Light::Red:
            return "red";
        case Light::Grey:
            return "grey";
    }
    return "grey";
}

QString LightText(const StationView& view) {
    const QStringList faults = ActiveFaults(view.records);
    if (!faults.isEmpty())
        return QStringLiteral("Instrument faults: %1").arg(faults.join(QStringLiteral(", ")));
    if (view.run.state == RunState::WaitingForInstrument) return QStringLiteral("No instrument");
    if (view.run.state == RunState::Idle) return QStringLiteral("No run");
    return QStringLiteral("Okay");
}

QStringList ActiveFaults(const CRecordTally& records) {
    if (!records.Status()) return {};
    const QString text = QString::fromStdString(FormatStatusText(records.Status()->word));
    return text.isEmpty() ? QStringList() : text.split(QStringLiteral(", "));
}
