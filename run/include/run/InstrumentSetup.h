// The instrument's own configuration as it reports it, the commands that read and set it, and the
// reads of its current records and the start of its unpolled output. Used by the run core for the
// instrument part of a start and by the window's settings transfer, so that both send the same
// commands in the same order.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CSerialLink;

// The records the instrument can send unasked, in the order their set commands are sent.
enum class RecordKind { Data, Time, Photon, Aux, Zero };
inline constexpr std::size_t kRecordKindCount = 5;

// A record kind's query; its set command carries 0 for off and onValue for on (3 for the photon
// records: all three colours).
struct RecordSwitchCommand {
    const char* query;
    int onValue;
    const char* failure;
};
inline constexpr RecordSwitchCommand kRecordSwitchCommands[kRecordKindCount] = {
    {"UD", 1, "Attempt to set the Data record failed."},
    {"UT", 1, "Attempt to set the Time record failed."},
    {"UP", 3, "Attempt to set the Photon record failed."},
    {"UY", 1, "Attempt to set the Auxiliary record failed."},
    {"UZ", 1, "Attempt to set the Zero record failed."},
};

// The four timing values, whole seconds as text, in the order they are sent.
enum class Timing { Averaging, Blank, Zero, AutoZeroPeriod };
inline constexpr std::size_t kTimingCount = 4;
struct TimingCommand {
    const char* query;
    const char* failure;
};
inline constexpr TimingCommand kTimingCommands[kTimingCount] = {
    {"STA", "Attempt to set Averaging Time failed."},
    {"STB", "Attempt to set Blank Time failed."},
    {"STZ", "Attempt to set Zero Time failed."},
    {"STP", "Attempt to set Auto Zero Period failed."},
};

// Backscatter and mode: the query is the bare name, the set command the name and the value.
inline constexpr const char* kBackscatterCommand = "SMB";
inline constexpr const char* kModeCommand = "SMZ";

struct InstrumentSetup {
    std::int32_t backscatter = 0;  // the replies by the decimal rule
    std::uint16_t mode = 0;
    std::array<std::int32_t, kRecordKindCount> records{};
    std::array<std::string, kTimingCount> timings;  // the replies as received

    bool Sends(RecordKind kind) const { return records[static_cast<std::size_t>(kind)] != 0; }
    const std::string& Get(Timing timing) const { return timings[static_cast<std::size_t>(timing)]; }
    // Records come every averaging period (data, time, photon or auxiliary records): only then can a
    // silent instrument be told from a quiet one.
    bool SendsEveryPeriod() const;
};

// "SMB", "SMZ", "UD" ... "UZ", "STA" ... "STP", in this order.
InstrumentSetup ReadInstrumentSetup(CSerialLink& link);

// The replies to "RT", "RD", "RY" and "RZ", sent in this order.
struct CurrentRecords {
    std::string time, data, aux, zero;
};
CurrentRecords ReadCurrentRecords(CSerialLink& link);

// "SD0", then "UB" with unpolled mode on. Unpolled before "UB": a record the instrument sends at once
// is queued as a record instead of being taken for the reply and lost. The "OK" then arrives as a
// line (and is ignored), so "UB" waits out its time-out, as "UE" does when the run stops.
void BeginUnpolled(CSerialLink& link);
