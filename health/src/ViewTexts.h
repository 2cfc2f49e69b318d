// Texts the status page and status.json share: times, ages, state and light names, faults.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>

#include "health/StatusView.h"

using SystemTime = std::chrono::system_clock::time_point;

// "2026-12-06T07:01:12.250Z".
QString IsoUtc(SystemTime time);
// The station's local time with its offset: "2026-12-06 08:01:12 +01:00".
QString StationTime(SystemTime time);
// "4 s", "12 min", "3 h 5 min", "2 d 4 h"; a time ahead of now counts as none.
QString AgeText(std::chrono::system_clock::duration age);
QString StateText(RunState state);
const char* LightName(Light light);
// What the light means: the faults, "No instrument", "Okay" and so on.
QString LightText(const StationView& view);
// "12 s ahead of the PC's", and whether the PC's clock is synchronised; "–" before the first time record.
QString ClockText(const RunStatus& run);
// The names of the fault bits set in the last status word.
QStringList ActiveFaults(const CRecordTally& records);
