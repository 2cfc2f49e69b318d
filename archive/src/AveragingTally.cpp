// The spacing of successive rows, counted.
#include "archive/AveragingTally.h"

#include <algorithm>

#include "archive/ArchiveFile.h"

void CAveragingTally::AddLine(std::string_view line) {
    const std::optional<ArchiveRow> row = m_assembler.AddLine(line).finished;
    if (!row) return;
    if (m_previousEnd && row->end > *m_previousEnd && row->end - *m_previousEnd <= kHour.count())
        ++m_spacings[row->end - *m_previousEnd];
    m_previousEnd = row->end;
}

std::optional<std::chrono::seconds> CAveragingTally::Averaging() const {
    const auto most = std::max_element(m_spacings.begin(), m_spacings.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    if (most == m_spacings.end()) return std::nullopt;
    return std::chrono::seconds(most->first);
}
