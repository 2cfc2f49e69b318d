// Clock differences and UTC offsets as text.
#include "station/ClockTexts.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "station/RecoveryRules.h"

std::string ClockDifferenceText(double offsetSeconds) {
    const long long seconds = std::llround(offsetSeconds);
    if (seconds == 0) return "within a second of the PC's";
    const long long size = std::llabs(seconds);
    const std::string amount = size < 60 ? std::to_string(size) + " s" : GapText(std::chrono::seconds(size));
    return amount + (seconds > 0 ? " ahead of the PC's" : " behind the PC's");
}

std::string UtcOffsetText(long utcOffsetSeconds) {
    const long minutes = std::labs(utcOffsetSeconds) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%c%02ld:%02ld", utcOffsetSeconds < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return text;
}
