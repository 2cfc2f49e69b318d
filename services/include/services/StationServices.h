// CStationServices: what makes a station a member of a network, around its run core: the health
// server (the status page, /status.json, /metrics and the metrics file) and the archive's hourly files
// with their upload when the station description file asks for them. The program makes one at start,
// in the window and headless alike; none of it uses widgets, and none of it can slow the log.
#pragma once

#include <memory>
#include <string>

#include "health/HealthServer.h"

class CArchiveExport;
class CRunCore;

struct ServicesOptions {
    HealthOptions health;
    std::string stationConfigPath;  // the station description file; export stays off without one
};

class CStationServices {
public:
    CStationServices(CRunCore& core, ServicesOptions options);
    ~CStationServices();
    CStationServices(const CStationServices&) = delete;
    CStationServices& operator=(const CStationServices&) = delete;

    // Starts serving and exporting. Gives the one message for the operator when the station
    // description file stops the export (a box in the window, the journal headless); else empty.
    std::string Start();

private:
    CRunCore& m_core;
    ServicesOptions m_options;
    std::unique_ptr<CArchiveExport> m_export;
    std::unique_ptr<CHealthServer> m_health;
};
