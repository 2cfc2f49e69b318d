// The shown span's values as CSV: one row per record time, one column per series, empty cells
// where a series has no value at that time.
#pragma once

#include <ostream>
#include <string>

#include "trend/TrendData.h"

// ISO-8601 local time with its offset, for example 2026-12-06T14:30:07+01:00.
std::string IsoLocalTime(double time);

// Writes a header and the rows with t0 <= time <= t1. Values are written in the shortest form that
// reads back as the same number, so "12.3" as sent stays 12.3.
void WriteCsv(std::ostream& out, const TrendData& data, double t0, double t1);
