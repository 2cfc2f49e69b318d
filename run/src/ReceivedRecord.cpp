// A received line cut into the fields of its record kind.
#include "run/ReceivedRecord.h"

#include <utility>

#include "records/Records.h"

ReceivedRecord MakeReceivedRecord(std::string line, std::chrono::system_clock::time_point arrival) {
    ReceivedRecord record;
    record.arrival = arrival;
    switch (line.empty() ? '\0' : line.front()) {
        case 'T':
            if (std::optional<TimeRecord> time = ParseTimeRecord(line)) {
                record.fields.assign(time->fields.begin(), time->fields.end());
                record.whole = true;
                record.instrumentTime = time->instrumentTime;
            }
            break;
        case 'D': {
            FieldRecord fields = ParseDataRecord(line);
            record.fields = std::move(fields.fields);
            record.whole = fields.whole;
            break;
        }
        case 'Y': {
            FieldRecord fields = ParseAuxRecord(line);
            record.fields = std::move(fields.fields);
            record.whole = fields.whole;
            break;
        }
        case 'Z': {
            FieldRecord fields = ParseZeroRecord(line);
            record.fields = std::move(fields.fields);
            record.whole = fields.whole;
            break;
        }
        case 'B':
        case 'G':
        case 'R': {
            FieldRecord fields = ParsePhotonFields(line);
            record.fields = std::move(fields.fields);
            record.whole = fields.whole;
            break;
        }
        default:
            break;
    }
    record.line = std::move(line);
    return record;
}
