// The simulated instrument in-process: its command set, its records as the program parses them,
// its operating-mode cycle and its clock.
#include <gtest/gtest.h>

#include <map>

#include "records/Records.h"
#include "records/Status.h"
#include "sim/CommandInterpreter.h"
#include "sim/InstrumentModel.h"

namespace {

using std::chrono::seconds;
const InstrumentModel::TimePoint kStart{seconds(1000)};
const std::int64_t kClock = ToCalendarSeconds({2005, 8, 31, 23, 59, 50});

InstrumentConfig Timing(std::uint32_t averaging, std::uint32_t blank, std::uint32_t zero,
                        std::uint32_t autoZero) {
    InstrumentConfig config;
    for (const auto& [setting, value] : {std::pair{Setting::AveragingTime, averaging}, {Setting::BlankTime, blank},
                                         {Setting::ZeroTime, zero}, {Setting::AutoZeroPeriod, autoZero}})
        config.Set(setting, value);
    return config;
}

}  // namespace

TEST(SimCommands, CommandsAnswerOkOnlyForValidValuesAndQueriesReportTheResult) {
    InstrumentModel model(InstrumentConfig{}, kClock, 1.0, 0, kStart, 7);
    CommandInterpreter interpreter(model, {"UZ"});
    // clang-format off
    const std::pair<std::string, std::string> table[] = {
        {"STA300", "OK"}, {"STA", "300"}, {"STA0", "ERROR"}, {"STA65536", "ERROR"}, {"STA65535", "OK"},
        {"STA3x", "ERROR"}, {"STA 30", "ERROR"}, {"STA-5", "ERROR"}, {"STA", "65535"}, {"UP1", "ERROR"},
        {"SMB2", "ERROR"}, {"SMB0", "OK"}, {"SMB", "0"},
        {"UZ1", "ERROR"}, {"UZ", "1"},  // refused, still answers its query
        {"Z", "OK"}, {"RV", std::string(kVersionText)}, {"XYZ", "ERROR"}, {"ue", "ERROR"}, {"", ""},
        // The clock is set only to a real moment.
        {"STT2005,02,29,00,00,00", "ERROR"}, {"STT2005,08,31,24,00,00", "ERROR"},
        {"STT2005,08,31,23,59", "ERROR"}, {"STT2005,08,31,23,59,5x", "ERROR"},
        {"RT", "T,2005,08,31,23,59,50"}, {"STT2004,2,29,23,59,58", "OK"},
    };
    // clang-format on
    for (const auto& [command, reply] : table)
        EXPECT_EQ(interpreter.Execute(command, kStart), reply) << command;
    model.Advance(kStart + seconds(3));
    EXPECT_EQ(interpreter.Execute("RT", kStart + seconds(3)), "T,2004,03,01,00,00,01");
    EXPECT_EQ(CommandInterpreter(model, {"STT"}).Execute("STT2005,08,31,23,59,50", kStart), "ERROR");
}

TEST(SimRecords, EveryRecordParsesWholeWithTheProgramsParsers) {
    InstrumentConfig config = Timing(10, 60, 300, 3600);
    config.Set(Setting::PhotonRecords, 3);
    InstrumentModel model(config, kClock, 1.0, 0x0103, kStart, 7);
    CommandInterpreter interpreter(model, {});
    std::vector<std::string> lines = {model.DataRecord(), model.AuxRecord(), model.ZeroRecord(),
                                      FormatNumberedDataRecord('B', 12, 42)};
    EXPECT_TRUE(model.Advance(kStart + seconds(10)).empty());  // polled until "UB"
    EXPECT_EQ(interpreter.Execute("UB", kStart + seconds(10)), "OK");
    for (const auto& set : model.Advance(kStart + seconds(40))) {
        lines.insert(lines.end(), set.begin(), set.end());
        std::string letters;
        for (const std::string& line : set) letters += line[0];
        EXPECT_EQ(letters, "TDBGRY");  // every 10 s of the clock, which started at :50
    }
    EXPECT_EQ(interpreter.Execute("UE", kStart + seconds(40)), "OK");
    EXPECT_TRUE(model.Advance(kStart + seconds(100)).empty());

    // The last field takes the rest of the line: a field too many would hide in it.
    const auto exact = [](const FieldRecord& r) {
        return r.whole && r.fields.back().find(',') == std::string::npos;
    };
    std::map<char, int> seen;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        ++seen[line[0]];
        if (line[0] == 'T') {
            EXPECT_TRUE(ParseTimeRecord(line).has_value());
        } else if (line[0] == 'D') {
            const FieldRecord d = ParseDataRecord(line);
            EXPECT_TRUE(exact(d));
            if (d.fields[0] == "B") {
                EXPECT_EQ(d.fields, (std::vector<std::string>{"B", "12", "42", "42", "42", "42", "42", "42"}));
            }
        } else if (line[0] == 'Y') {
            const FieldRecord y = ParseAuxRecord(line);
            ASSERT_TRUE(exact(y));
            EXPECT_EQ(ParseStatusWord(y.fields[8]), 0x0103);
            EXPECT_NEAR(std::stod(y.fields[1]), 1013, 25);  // pressure, mbar
        } else if (line[0] == 'Z') {
            EXPECT_TRUE(exact(ParseZeroRecord(line)));
        } else {
            const auto photon = ParsePhotonRecord(line);
            ASSERT_TRUE(photon.has_value());
            EXPECT_EQ(photon->sampleTemperature.find(','), std::string::npos);
        }
    }
    EXPECT_EQ(seen,
              (std::map<char, int>{{'B', 3}, {'D', 5}, {'G', 3}, {'R', 3}, {'T', 3}, {'Y', 4}, {'Z', 1}}));
}

TEST(SimModeCycle, ModesFollowMeasuringBlankingZeroingBlankingAndReportTruthfulSecondsLeft) {
    // Measuring lasts 200 - 1 - 30 - 20 = 149 s.
    InstrumentModel model(Timing(1, 20, 30, 200), kClock, 1.0, 0, kStart, 7);
    model.SetUnpolled(true);
    std::vector<std::pair<char, std::int32_t>> perSecond;  // mode and seconds left, each second
    std::vector<std::size_t> zeroRecordSeconds;
    for (int s = 1; s <= 400; ++s)
        for (const auto& set : model.Advance(kStart + seconds(s)))
            for (const std::string& line : set) {
                if (line[0] == 'Z') zeroRecordSeconds.push_back(perSecond.size());
                if (line[0] != 'D') continue;
                const FieldRecord d = ParseDataRecord(line);
                perSecond.emplace_back(d.fields[0][0], ParseDecimal(d.fields[1]));
            }
    ASSERT_EQ(perSecond.size(), 400u);

    std::string modes;
    std::vector<std::size_t> changes;
    for (std::size_t i = 0; i < perSecond.size(); ++i) {
        if (i == 0 || perSecond[i].first != perSecond[i - 1].first) {
            modes += perSecond[i].first;
            changes.push_back(i);
        }
        // Seconds left are the truth: the mode changes exactly that many seconds later.
        const std::size_t end = i + static_cast<std::size_t>(perSecond[i].second);
        if (end < perSecond.size()) {
            EXPECT_NE(perSecond[end].first, perSecond[i].first) << "second " << i;
            EXPECT_EQ(perSecond[end - 1].first, perSecond[i].first) << "second " << i;
        }
    }
    EXPECT_EQ(modes, "NBZBNBZ");
    EXPECT_EQ((std::vector<std::size_t>{changes[2] - changes[1], changes[3] - changes[2],
                                        changes[4] - changes[3], changes[5] - changes[4]}),
              (std::vector<std::size_t>{20, 30, 20, 149}));
    // A Z record follows each zero period, sent with the first blanking second after it.
    EXPECT_EQ(zeroRecordSeconds, (std::vector<std::size_t>{changes[3] + 1}));
}

TEST(SimClock, SpeedFactorAndSecondBoundaries) {
    InstrumentClock fast(kClock, 60.0, kStart);
    EXPECT_EQ(fast.SecondAt(kStart + seconds(1)), kClock + 60);
    // At the moment a second is said to begin, it has begun (the loop sleeps until then).
    for (std::int64_t s = kClock; s < kClock + 1000; ++s) ASSERT_EQ(fast.SecondAt(fast.StartOf(s)), s);
    EXPECT_EQ(FromCalendarSeconds(ToCalendarSeconds({2400, 2, 29, 12, 0, 0})),
              (CalendarTime{2400, 2, 29, 12, 0, 0}));
}
