// The standard process_* metrics of this process, read from /proc/self: resident and virtual
// memory, CPU seconds, start time, open and allowed file descriptors. Used by the health server.
#pragma once

#include <vector>

#include "station/Exposition.h"

std::vector<MetricFamily> ProcessMetrics();
