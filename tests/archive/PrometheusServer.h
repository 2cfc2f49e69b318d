// A real Prometheus (Debian's prometheus) for the end-to-end tests: on a free localhost port with a
// storage folder of its own, scraping one target every second and evaluating the given rule files.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ArchiveTestSupport.h"

// A free loopback port: bound, read back and closed again.
int FreeLoopbackPort();

class CPrometheusServer {
public:
    CPrometheusServer(int targetPort, const std::vector<std::filesystem::path>& ruleFiles);
    ~CPrometheusServer();  // stops it
    CPrometheusServer(const CPrometheusServer&) = delete;
    CPrometheusServer& operator=(const CPrometheusServer&) = delete;

    // The alert's state ("pending", "firing"), or nothing while Prometheus has no such alert.
    std::optional<std::string> AlertState(const std::string& alert) const;
    std::string Log() const;

private:
    TempFolder m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
};
