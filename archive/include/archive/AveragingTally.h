// CAveragingTally: the instrument's averaging time told by the records themselves, as the most common
// spacing of successive rows. Used by corvane-export when no averaging time is given and by the program
// when it reads its log back after a restart.
#pragma once

#include <chrono>
#include <ctime>
#include <map>
#include <optional>
#include <string_view>

#include "archive/RowAssembler.h"

class CAveragingTally {
public:
    // One record line, in the order the lines were logged.
    void AddLine(std::string_view line);
    // The most common spacing up to an hour; nothing when no two successive rows are that close.
    std::optional<std::chrono::seconds> Averaging() const;

private:
    CRowAssembler m_assembler;
    std::optional<std::time_t> m_previousEnd;
    std::map<std::time_t, int> m_spacings;  // seconds -> how often
};
