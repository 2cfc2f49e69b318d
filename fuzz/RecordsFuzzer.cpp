// Fuzzes every record parser, the decimal rule, the status word reader and the operating mode
// with one line, checking each result against what the line holds.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"
#include "records/OperatingMode.h"
#include "records/Records.h"
#include "records/Status.h"

namespace {

std::string Joined(const std::vector<std::string>& fields) {
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        text += (i ? "," : "") + fields[i];
    }
    return text;
}

// The fields found must be the body's text, and the parse must stop only at a missing comma.
void CheckFields(std::string_view line, const FieldRecord& record, std::size_t count) {
    FUZZ_CHECK(record.fields.size() <= count);
    FUZZ_CHECK(record.whole == (record.fields.size() == count));
    if (IsIgnoredLine(line)) {
        FUZZ_CHECK(record.fields.empty());
        return;
    }
    const std::string_view body = RecordBody(line);
    if (record.whole) {
        FUZZ_CHECK(Joined(record.fields) == body);
        return;
    }
    const std::string consumed = record.fields.empty() ? "" : Joined(record.fields) + ",";
    FUZZ_CHECK(body.starts_with(consumed));
    FUZZ_CHECK(body.substr(consumed.size()).find(',') == std::string_view::npos);
}

void CheckPhotonRecord(std::string_view line) {
    const std::optional<PhotonRecord> photon = ParsePhotonRecord(line);
    const std::vector<std::string> fields = SplitFields(RecordBody(line), 10);
    FUZZ_CHECK(photon.has_value() == (!IsIgnoredLine(line) && fields.size() == 10));
    FUZZ_CHECK(!photon || (photon->pressure == fields[8] && photon->sampleTemperature == fields[9]));
}

void CheckTimeRecord(std::string_view line) {
    const std::optional<TimeRecord> record = ParseTimeRecord(line);
    if (!record) {
        return;
    }
    constexpr std::uint16_t kMaximum[] = {9999, 12, 31, 23, 59, 59};
    for (std::size_t i = 0; i < 6; ++i) {
        FUZZ_CHECK(record->values[i] <= kMaximum[i]);
        FUZZ_CHECK(ParseDecimal(record->fields[i]) == record->values[i]);
    }
    FUZZ_CHECK(record->lastDataTimeText.ends_with(record->fields[5]));
    FUZZ_CHECK(record->instrumentTime.has_value() == (record->values[0] >= 1970));
    if (record->instrumentTime) {
        std::tm local{};
        FUZZ_CHECK(localtime_r(&*record->instrumentTime, &local) != nullptr);
        FUZZ_CHECK(local.tm_year + 1900 == record->values[0]);
    }
}

// strtoll's reading of the same text, clamped to 32 bits.
void CheckDecimal(const std::string& text) {
    const long long reference = std::strtoll(text.c_str(), nullptr, 10);
    const long long clamped = reference < INT_MIN ? INT_MIN : reference > INT_MAX ? INT_MAX : reference;
    FUZZ_CHECK(ParseDecimal(text) == clamped);
}

// The last eight hex digits of the leading run (after blanks) give the word.
void CheckStatusWord(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    std::string digits;
    if (start != std::string_view::npos) {
        const std::string_view rest = text.substr(start);
        digits = rest.substr(0, rest.find_first_not_of("0123456789ABCDEFabcdef"));
    }
    if (digits.size() > 8) {
        digits.erase(0, digits.size() - 8);
    }
    const auto reference =
        static_cast<std::uint32_t>(digits.empty() ? 0 : std::strtoull(digits.c_str(), nullptr, 16));
    const std::int32_t word = ParseStatusWord(text);
    FUZZ_CHECK(static_cast<std::uint32_t>(word) == reference);
    const StatusOutputs outputs = StatusOutputsFor(word);
    FUZZ_CHECK(outputs.faults == HasFaultBits(word));
    FUZZ_CHECK(outputs.faults == !FormatStatusText(word).empty());
}

// A D record sets the mode; the Z record's fields stand in for the timing settings.
void CheckOperatingMode(std::string_view line) {
    const FieldRecord data = ParseDataRecord(line);
    const FieldRecord zero = ParseZeroRecord(line);
    InstrumentSettingsSnapshot settings;
    settings.m_nMode = line.size() % 2;
    std::string* timings[] = {&settings.m_strAveragingTime, &settings.m_strBlankTime, &settings.m_strZeroTime,
                              &settings.m_strAutoZeroPeriod};
    for (std::size_t i = 0; i < 4 && i < zero.fields.size(); ++i) {
        *timings[i] = zero.fields[i];
    }
    COperatingMode mode;
    mode.SetModeAfterBlanking(line.size() % 3 ? 'Z' : 'N');
    if (!data.fields.empty()) {
        mode.SetModeField(data.fields[0]);
    }
    if (data.fields.size() > 1) {
        mode.SetModeSeconds(data.fields[1], settings);
    }
    for (int tick = 0; tick < 3; ++tick) {
        const std::uint16_t before = mode.ModeCount();
        const COperatingMode::TickResult result = mode.Tick(settings);
        FUZZ_CHECK(result.counted == (before > 0));
        FUZZ_CHECK(!result.counted || result.shown == before - 1);
        FUZZ_CHECK(!result.label || (result.shown == 0 && !mode.ModeField().empty()));
    }
}

}  // namespace

// Local time with daylight saving, so the instrument time crosses its changes.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    CheckFields(line, ParseDataRecord(line), 8);
    CheckFields(line, ParseAuxRecord(line), 9);
    CheckFields(line, ParseZeroRecord(line), 9);
    CheckPhotonRecord(line);
    CheckTimeRecord(line);
    CheckDecimal(line);
    CheckStatusWord(line);
    CheckOperatingMode(line);
    return 0;
}
