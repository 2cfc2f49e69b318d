// status.json: the station's state as one JSON document.
#include <QJsonArray>

#include "ViewTexts.h"
#include "health/StatusView.h"
#include "records/Records.h"

namespace {

QJsonValue TimeOrNull(const std::optional<SystemTime>& time) {
    return time ? QJsonValue(IsoUtc(*time)) : QJsonValue();
}

QJsonObject RunJson(const StationView& view) {
    const RunStatus& run = view.run;
    const Light light = LightOf(view);
    return {
        {"state", RunStateName(run.state)},
        {"stateText", StateText(run.state)},
        {"since", IsoUtc(run.since)},
        {"sinceText", StationTime(run.since)},
        {"light", LightName(light)},
        {"lightText", LightText(view)},
        {"port", run.port},
        {"device", QString::fromStdString(run.device)},
        {"connected", run.connected},
        {"logging", run.logging},
        {"logFile", QString::fromStdString(run.logFile)},
        {"lastLogSync", TimeOrNull(run.lastLogSync)},
        {"clockOffsetSeconds", run.clockOffsetSeconds ? QJsonValue(*run.clockOffsetSeconds) : QJsonValue()},
        {"clockText", ClockText(run)},
        {"pcClockSynchronized", run.pcClockSynchronized ? QJsonValue(*run.pcClockSynchronized) : QJsonValue()},
    };
}

// Counters as numbers: JSON's doubles hold them exactly up to 2^53.
QJsonObject CounterJson(const RunStatus& run) {
    return {
        {"losses", double(run.losses)},
        {"reconnectTries", double(run.reconnectTries)},
        {"silentRestarts", double(run.silentRestarts)},
        {"unreadableLines", double(run.unreadableLines)},
        {"logWriteErrors", double(run.logWriteErrors)},
        {"logLinesWaiting", double(run.logLinesKept)},
        {"logLinesDropped", double(run.logLinesDropped)},
    };
}

QJsonArray ValuesJson(const CRecordTally& records) {
    QJsonArray values;
    for (std::size_t i = 0; i < kReadingCount; ++i) {
        const Reading reading = static_cast<Reading>(i);
        const ReadingInfo& info = InfoOf(reading);
        const auto& latest = records.Latest(reading);
        values.append(QJsonObject{
            {"key", info.key},
            {"label", info.label},
            {"unit", info.unit},
            {"value", latest ? QJsonValue(QString::fromStdString(latest->text)) : QJsonValue()},
            {"time", latest ? QJsonValue(IsoUtc(latest->time)) : QJsonValue()},
        });
    }
    return values;
}

QJsonObject RecordsJson(const CRecordTally& records) {
    QJsonObject letters;
    for (const char letter : kRecordLetters) {
        const CRecordTally::LetterTally tally = records.Letter(letter);
        letters.insert(QString(QChar(letter)),
                       QJsonObject{{"count", double(tally.count)}, {"last", TimeOrNull(tally.last)}});
    }
    return letters;
}

}  // namespace

QJsonObject StatusJson(const StationView& view) {
    QJsonArray journal;
    for (const std::string& line : view.journal) journal.append(QString::fromStdString(line));
    const auto& status = view.records.Status();
    return {
        {"generated", IsoUtc(view.now)},
        {"generatedText", StationTime(view.now)},
        {"version", CORVANE_VERSION},
        {"run", RunJson(view)},
        {"counters", CounterJson(view.run)},
        {"values", ValuesJson(view.records)},
        {"records", RecordsJson(view.records)},
        {"statusWord",
         status
             ? QJsonValue(QStringLiteral("%1").arg(quint32(status->word), 4, 16, QLatin1Char('0')).toUpper())
             : QJsonValue()},
        {"faults", QJsonArray::fromStringList(ActiveFaults(view.records))},
        {"journal", journal},
    };
}
