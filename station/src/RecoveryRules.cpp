// The timing rules of a run that outlives its instrument.
#include "station/RecoveryRules.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "records/Records.h"

namespace {
constexpr std::chrono::seconds kFirstDelay{2};
constexpr unsigned kTriesAtFirstDelay = 5;
constexpr std::chrono::seconds kLongestDelay{10};
constexpr std::chrono::seconds kShortestSilence{20};
constexpr std::chrono::seconds kSilenceMargin{10};
}  // namespace

std::chrono::seconds ReopenDelay(unsigned tryNumber) {
    if (tryNumber < kTriesAtFirstDelay) return kFirstDelay;
    const auto grown = kFirstDelay * (tryNumber - kTriesAtFirstDelay + 2);
    return std::min(grown, kLongestDelay);
}

std::string ReopenScheduleText() {
    return "trying every " + std::to_string(kFirstDelay.count()) + " s, then every " +
           std::to_string(kLongestDelay.count()) + " s (reported hourly)";
}

std::chrono::seconds SilenceLimit(std::string_view averagingTime) {
    const auto averaging = std::chrono::seconds(std::max<long long>(0, ParseDecimal(averagingTime)));
    return std::max(kShortestSilence, 2 * averaging + kSilenceMargin);
}

std::string ClockText(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

std::string GapText(std::chrono::seconds gap) {
    const long long total = std::max<long long>(0, gap.count());
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    return text;
}

void CFailureSummary::Reset() {
    m_nFailures = 0;
}

bool CFailureSummary::Count(Clock::time_point now) {
    ++m_nFailures;
    if (m_nFailures > 1 && now - m_tLastReport < kInterval) return false;
    m_tLastReport = now;
    return true;
}
