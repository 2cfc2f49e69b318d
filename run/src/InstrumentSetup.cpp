// The instrument's configuration read, its current records read and its unpolled output started.
#include "run/InstrumentSetup.h"

#include "records/Records.h"
#include "serial/InstrumentCommands.h"
#include "serial/SerialLink.h"

bool InstrumentSetup::SendsEveryPeriod() const {
    return Sends(RecordKind::Data) || Sends(RecordKind::Time) || Sends(RecordKind::Photon) ||
           Sends(RecordKind::Aux);
}

InstrumentSetup ReadInstrumentSetup(CSerialLink& link) {
    InstrumentSetup setup;
    setup.backscatter = ParseDecimal(link.SendCommand("%s", kBackscatterCommand));
    setup.mode = static_cast<std::uint16_t>(ParseDecimal(link.SendCommand("%s", kModeCommand)));
    for (std::size_t i = 0; i < kRecordKindCount; ++i)
        setup.records[i] = ParseDecimal(link.SendCommand("%s", kRecordSwitchCommands[i].query));
    for (std::size_t i = 0; i < kTimingCount; ++i) setup.timings[i] = link.SendCommand("%s", kTimingCommands[i].query);
    return setup;
}

CurrentRecords ReadCurrentRecords(CSerialLink& link) {
    CurrentRecords records;
    records.time = link.SendCommand("%s", InstrumentCommand::kReadTime);
    records.data = link.SendCommand("%s", InstrumentCommand::kReadData);
    records.aux = link.SendCommand("%s", InstrumentCommand::kReadAux);
    records.zero = link.SendCommand("%s", InstrumentCommand::kReadZero);
    return records;
}

void BeginUnpolled(CSerialLink& link) {
    link.SendCommand("%s", InstrumentCommand::kBeforeRecords);
    link.SetUnpolled(true);
    link.SendCommand("%s", InstrumentCommand::kStartUnpolled);
}
