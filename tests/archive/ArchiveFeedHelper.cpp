// A program that does what Corvane does at start with the hourly files: the log's lines fed to the hourly
// writer, with the outbox deciding which hours are done. Then the PC's clock moves three hours on, so that
// every hour's grace is over. Used by the test of a program killed between writing and renaming.
//   archive_feed_helper STATION_CONF OUTBOX LOGFILE PC_TIME
// PC_TIME: the PC's clock at start (seconds since 1970, UTC), which dates the files it writes.
#include <fstream>
#include <iostream>
#include <string>

#include "archive/HourlyArchive.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: archive_feed_helper STATION_CONF OUTBOX LOGFILE PC_TIME\n";
        return 2;
    }
    StationConfigResult station = LoadStationConfig(argv[1]);
    station.config.outbox = argv[2];
    const std::string outbox = argv[2];
    CHourlyArchive archive(station.config, std::chrono::seconds(60),
                           [&](const HourKey& key) { return OutboxHoldsHour(outbox, key); });
    const std::time_t start = std::stoll(argv[4]);
    archive.SetClock(start);
    std::ifstream log(argv[3]);
    for (std::string line; std::getline(log, line);) archive.AddLine(line);
    archive.SetClock(start + 3 * 3600);
    return archive.GetCounts().writeFailures == 0 ? 0 : 1;
}
