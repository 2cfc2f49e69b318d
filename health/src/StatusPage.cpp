// The status page as of its loading: the template's fields filled with the station's state.
#include <QHash>
#include <QRegularExpression>

#include "ViewTexts.h"
#include "health/StatusView.h"

namespace {

// One row per reading; the page's script finds the rows by their key and the age by its time.
QString ValueRows(const StationView& view) {
    QString rows;
    for (std::size_t i = 0; i < kReadingCount; ++i) {
        const ReadingInfo& info = InfoOf(static_cast<Reading>(i));
        const auto& latest = view.records.Latest(static_cast<Reading>(i));
        const QString value =
            latest ? QString::fromStdString(latest->text).toHtmlEscaped() : QStringLiteral("–");
        const QString time = latest ? IsoUtc(latest->time) : QString();
        const QString age = latest ? AgeText(view.now - latest->time) + QStringLiteral(" ago") : QString();
        rows += QStringLiteral(
                    "<tr data-reading=\"%1\"><th>%2</th><td class=\"value\">%3</td><td class=\"unit\">%4</td>"
                    "<td class=\"age\" data-time=\"%5\">%6</td></tr>\n")
                    .arg(QLatin1String(info.key), QLatin1String(info.label), value,
                         QString::fromUtf8(info.unit).toHtmlEscaped(), time, age);
    }
    return rows;
}

QString JournalText(const StationView& view) {
    QStringList lines;
    for (const std::string& line : view.journal) lines << QString::fromStdString(line);
    return lines.join(u'\n').toHtmlEscaped();
}

QString Escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

}  // namespace

QByteArray StatusPage(const StationView& view, const QString& pageTemplate) {
    const RunStatus& run = view.run;
    const QString none = QStringLiteral("–");
    // Every field's text is escaped here; the template holds the only markup.
    const QHash<QString, QString> fields = {
        {"light", LightName(LightOf(view))},
        {"lightText", LightText(view).toHtmlEscaped()},
        {"state", StateText(run.state).toHtmlEscaped()},
        {"since", IsoUtc(run.since)},
        {"sinceText", StationTime(run.since)},
        {"port", run.port ? QStringLiteral("Com%1").arg(run.port) : none},
        {"device", run.device.empty() ? none : Escaped(run.device)},
        {"connected", run.connected ? QStringLiteral("yes") : QStringLiteral("no")},
        {"logFile", run.logging ? Escaped(run.logFile) : QStringLiteral("not logging")},
        {"clock", ClockText(run).toHtmlEscaped()},
        {"valueRows", ValueRows(view)},
        {"journal", JournalText(view)},
        {"generated", IsoUtc(view.now)},
        {"generatedText", StationTime(view.now)},
        {"version", CORVANE_VERSION},
    };
    static const QRegularExpression field(QStringLiteral("\\{\\{(\\w+)\\}\\}"));
    QString page;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& m : field.globalMatch(pageTemplate)) {
        page += QStringView(pageTemplate).sliced(done, m.capturedStart() - done);
        page += fields.value(m.captured(1));
        done = m.capturedEnd();
    }
    page += QStringView(pageTemplate).sliced(done);
    return page.toUtf8();
}
