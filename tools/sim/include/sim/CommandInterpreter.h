// Answers the program's command lines as the instrument does: "UE"/"UB" switch unpolled output,
// "RT"/"RD"/"RY"/"RZ" read records, the setting names query or (with a value) set, "STT" sets the
// clock, "RV" gives the version; anything else is "ERROR".
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "sim/InstrumentModel.h"

inline constexpr std::string_view kVersionText = "CVS-1 simulated nephelometer v1.0";

class CommandInterpreter {
public:
    // refused: setting names (and "STT") whose set command answers "ERROR" whatever the value.
    CommandInterpreter(InstrumentModel& model, std::set<std::string> refused);

    // The reply to one command (without its line end); empty for an empty command, which the
    // instrument ignores.
    std::string Execute(std::string_view command, InstrumentModel::TimePoint now);

private:
    std::string SetClock(std::string_view text, InstrumentModel::TimePoint now);
    std::string QueryOrSet(std::string_view command);

    InstrumentModel& m_model;
    std::set<std::string> m_refused;
};
