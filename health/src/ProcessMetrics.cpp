// process_* metrics from /proc/self/stat, /proc/stat, /proc/self/fd and the descriptor limit.
#include "health/ProcessMetrics.h"

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct ProcessStat {
    double cpuSeconds = 0;
    double startTicks = 0;  // clock ticks after boot
    double virtualBytes = 0;
    double residentPages = 0;
};

// Fields 14 (utime), 15 (stime), 22 (starttime), 23 (vsize) and 24 (rss) of /proc/self/stat; the
// program name (field 2) may hold blanks and parentheses, so reading starts after its last ')'.
bool ReadStat(ProcessStat& stat) {
    std::ifstream in("/proc/self/stat");
    std::string text;
    if (!std::getline(in, text)) return false;
    const std::size_t end = text.rfind(')');
    if (end == std::string::npos) return false;
    std::istringstream fields(text.substr(end + 1));
    std::string field;
    double utime = 0, stime = 0;
    // The first field after the name is field 3.
    for (int number = 3; fields >> field && number <= 24; ++number) {
        const double value = std::strtod(field.c_str(), nullptr);
        if (number == 14) utime = value;
        if (number == 15) stime = value;
        if (number == 22) stat.startTicks = value;
        if (number == 23) stat.virtualBytes = value;
        if (number == 24) stat.residentPages = value;
    }
    stat.cpuSeconds = (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return true;
}

// The system's boot time in seconds since the epoch (the "btime" line of /proc/stat).
double BootTime() {
    std::ifstream in("/proc/stat");
    for (std::string word; in >> word;)
        if (word == "btime") {
            double seconds = 0;
            in >> seconds;
            return seconds;
        }
    return 0;
}

double OpenDescriptors() {
    std::error_code error;
    double count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error))
        ++count;
    return count;
}

}  // namespace

std::vector<MetricFamily> ProcessMetrics() {
    std::vector<MetricFamily> families;
    ProcessStat stat;
    if (ReadStat(stat)) {
        const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
        families.push_back(SingleMetric("process_cpu_seconds_total",
                                        "Total user and system CPU time spent in seconds.",
                                        MetricType::Counter, stat.cpuSeconds));
        families.push_back(SingleMetric("process_start_time_seconds",
                                        "Start time of the process since unix epoch in seconds.",
                                        MetricType::Gauge, BootTime() + stat.startTicks / ticks));
        families.push_back(SingleMetric("process_virtual_memory_bytes", "Virtual memory size in bytes.",
                                        MetricType::Gauge, stat.virtualBytes));
        families.push_back(SingleMetric("process_resident_memory_bytes", "Resident memory size in bytes.",
                                        MetricType::Gauge,
                                        stat.residentPages * static_cast<double>(sysconf(_SC_PAGESIZE))));
    }
    // The count includes the descriptor that reads the folder.
    families.push_back(SingleMetric("process_open_fds", "Number of open file descriptors.", MetricType::Gauge,
                                    OpenDescriptors()));
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0)
        families.push_back(SingleMetric("process_max_fds", "Maximum number of open file descriptors.",
                                        MetricType::Gauge, static_cast<double>(limit.rlim_cur)));
    return families;
}
