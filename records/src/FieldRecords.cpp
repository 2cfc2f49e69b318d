// The D, Y, Z and photon records: fields delivered as far as the line goes.
#include <utility>

#include "records/Records.h"

namespace {

constexpr std::size_t kDataFieldCount = 8;
constexpr std::size_t kAuxFieldCount = 9;
constexpr std::size_t kZeroFieldCount = 9;
constexpr std::size_t kPhotonFieldCount = 10;

FieldRecord ParseFields(std::string_view line, std::size_t fieldCount) {
    FieldRecord record;
    if (IsIgnoredLine(line)) {
        return record;
    }
    record.fields = SplitFields(RecordBody(line), fieldCount);
    record.whole = record.fields.size() == fieldCount;
    return record;
}

}  // namespace

FieldRecord ParseDataRecord(std::string_view line) {
    return ParseFields(line, kDataFieldCount);
}

FieldRecord ParseAuxRecord(std::string_view line) {
    return ParseFields(line, kAuxFieldCount);
}

FieldRecord ParseZeroRecord(std::string_view line) {
    return ParseFields(line, kZeroFieldCount);
}

FieldRecord ParsePhotonFields(std::string_view line) {
    return ParseFields(line, kPhotonFieldCount);
}

std::optional<PhotonRecord> ParsePhotonRecord(std::string_view line) {
    FieldRecord record = ParsePhotonFields(line);
    if (!record.whole) {
        return std::nullopt;
    }
    return PhotonRecord{std::move(record.fields[8]), std::move(record.fields[9])};
}
