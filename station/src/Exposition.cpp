// The Prometheus text format 0.0.4, written.
#include "station/Exposition.h"

#include <charconv>
#include <cmath>

namespace {

// Backslash and line feed in help texts; the double quote too in label values.
void AppendEscaped(std::string& out, const std::string& text, bool quote) {
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (quote && c == '"')
            out += "\\\"";
        else
            out += c;
    }
}

void AppendValue(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "NaN";
    } else if (std::isinf(value)) {
        out += value > 0 ? "+Inf" : "-Inf";
    } else {
        char text[32];
        // The shortest text that reads back as the same number.
        const auto result = std::to_chars(std::begin(text), std::end(text), value);
        out.append(text, result.ptr);
    }
}

const char* TypeName(MetricType type) {
    return type == MetricType::Counter ? "counter" : "gauge";
}

}  // namespace

MetricFamily SingleMetric(std::string name, std::string help, MetricType type, double value) {
    return {std::move(name), std::move(help), type, {{{}, value}}};
}

std::string WriteExposition(const std::vector<MetricFamily>& families) {
    std::string out;
    for (const MetricFamily& family : families) {
        if (family.samples.empty()) continue;
        out += "# HELP " + family.name + ' ';
        AppendEscaped(out, family.help, false);
        out += "\n# TYPE " + family.name + ' ' + TypeName(family.type) + '\n';
        for (const MetricSample& sample : family.samples) {
            out += family.name;
            if (!sample.labels.empty()) {
                char separator = '{';
                for (const auto& [name, value] : sample.labels) {
                    out += separator;
                    out += name + "=\"";
                    AppendEscaped(out, value, true);
                    out += '"';
                    separator = ',';
                }
                out += '}';
            }
            out += ' ';
            AppendValue(out, sample.value);
            out += '\n';
        }
    }
    return out;
}
