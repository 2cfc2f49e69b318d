// Samples read from an exposition, and promtool run on it.
#include "ExpositionCheck.h"

#include <QProcess>
#include <sstream>

std::optional<double> Sample(const std::string& exposition, const std::string& name) {
    std::istringstream lines(exposition);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(name + " ")) return std::stod(line.substr(name.size() + 1));
    return std::nullopt;
}

std::string PromtoolComplaint(const std::string& exposition) {
    QProcess promtool;
    promtool.start(QStringLiteral("promtool"), {QStringLiteral("check"), QStringLiteral("metrics")});
    if (!promtool.waitForStarted()) return "promtool is missing: install the Debian package prometheus";
    promtool.write(QByteArray::fromStdString(exposition));
    promtool.closeWriteChannel();
    if (!promtool.waitForFinished(30000)) return "promtool did not finish within 30 s";
    if (promtool.exitStatus() == QProcess::NormalExit && promtool.exitCode() == 0) return {};
    return "promtool check metrics failed:\n" + promtool.readAll().toStdString() + exposition;
}
