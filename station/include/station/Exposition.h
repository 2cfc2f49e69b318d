// Metric families and their exposition in the Prometheus text format 0.0.4 (plain C++). The health server
// gathers families from its own figures and from every provider added to it (the clock and upload
// figures add theirs the same way); the metrics file writes the same text.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct MetricSample {
    std::vector<std::pair<std::string, std::string>> labels;  // name, value
    double value = 0;
};

enum class MetricType { Counter, Gauge };

struct MetricFamily {
    std::string name;  // the samples' name: counters end in _total
    std::string help;
    MetricType type = MetricType::Gauge;
    std::vector<MetricSample> samples;
};

// Gives the families of one part of the program; called on the health server's thread at each
// scrape, so it must be safe to call from there.
using MetricsProvider = std::function<std::vector<MetricFamily>()>;

// A family with one sample and no labels.
MetricFamily SingleMetric(std::string name, std::string help, MetricType type, double value);

// "# HELP", "# TYPE" and the samples of each family, in the order given; a family without
// samples is left out. Help texts and label values are escaped; NaN and infinities are written
// as the format spells them.
std::string WriteExposition(const std::vector<MetricFamily>& families);
