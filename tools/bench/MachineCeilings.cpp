// The ceiling probes: a pseudo-terminal whose far end a copier thread reads into a file, and a loop of
// open-append-close.
#include "MachineCeilings.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "LogWatcher.h"
#include "ProcessStats.h"

namespace fs = std::filesystem;

namespace {

// A record line as long as the simulator's numbered burst lines, without its CR.
constexpr const char* kProbeLine = "D,M,300,123456,123456,123456,123456,123456,123456";

constexpr int kAppendLines = 100000;
constexpr int kCopyLines = 200000;
constexpr int kLatencyLines = 200;
constexpr int kCpuSeconds = 5;

double WallSeconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A fresh folder, removed with the object.
struct ScratchFolder {
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "corvane-ceiling-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
        path = pattern;
    }
    ~ScratchFolder() { fs::remove_all(path); }
    fs::path path;
};

// A pseudo-terminal in raw mode: the probe writes to the master, the copier reads the slave.
struct ProbeTerminal {
    ProbeTerminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            throw std::runtime_error("cannot make a pseudo-terminal");
        slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (slave < 0 || tcgetattr(slave, &tio) != 0)
            throw std::runtime_error("cannot open a pseudo-terminal");
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    ~ProbeTerminal() {
        close(slave);
        close(master);
    }
    void Send(const std::string& bytes) const {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = write(master, bytes.data() + done, bytes.size() - done);
            if (n <= 0) throw std::runtime_error("cannot write to the pseudo-terminal");
            done += static_cast<std::size_t>(n);
        }
    }
    int master = -1;
    int slave = -1;
};

// Copies from the slave to the file until lines CRs have passed. With bPerLine, each read is
// appended with its own open, append, fdatasync and close, as a durable logger of slow lines would.
void Copy(int slave, const fs::path& file, int lines, bool bPerLine) {
    int out = bPerLine ? -1 : open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    char buffer[4096];
    for (int seen = 0; seen < lines;) {
        pollfd fd{slave, POLLIN, 0};
        if (poll(&fd, 1, 5000) <= 0) break;
        const ssize_t n = read(slave, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) seen += buffer[i] == '\r';
        if (bPerLine) out = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (write(out, buffer, static_cast<std::size_t>(n)) != n) break;
        if (bPerLine) {
            fdatasync(out);
            close(out);
        }
    }
    if (!bPerLine) close(out);
}

double AppendLinesPerSecond(const fs::path& file) {
    const std::string line = std::string(kProbeLine) + "\r\n";
    const double start = MonotonicSeconds();
    for (int i = 0; i < kAppendLines; ++i) {
        const int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 || write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 0;
        close(fd);
    }
    return kAppendLines / (MonotonicSeconds() - start);
}

double CopyLinesPerSecond(const fs::path& file) {
    ProbeTerminal terminal;
    std::string stream;
    for (int i = 0; i < kCopyLines; ++i) stream.append(kProbeLine).append("\r");
    const double start = MonotonicSeconds();
    std::thread copier([&] { Copy(terminal.slave, file, kCopyLines, false); });
    terminal.Send(stream);
    copier.join();
    return kCopyLines / (MonotonicSeconds() - start);
}

double CopyLatencyP99Ms(const fs::path& folder) {
    ProbeTerminal terminal;
    LogWatcher watcher(folder.string(), "latency.dat");
    std::thread copier([&] { Copy(terminal.slave, folder / "latency.dat", kLatencyLines, false); });
    std::vector<double> sent;
    for (int i = 0; i < kLatencyLines; ++i) {
        sent.push_back(WallSeconds());
        terminal.Send(std::string(kProbeLine) + "\r\n");  // as the log holds it, for the watcher
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    copier.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the watcher's last lines
    const std::vector<double> seen = watcher.Stamps();
    std::vector<double> latencies;
    for (std::size_t k = 0; k < std::min(sent.size(), seen.size()); ++k)
        latencies.push_back((seen[k] - sent[k]) * 1e3);
    return Percentile(latencies, 99);
}

double CopyCpuPercent(const fs::path& file) {
    ProbeTerminal terminal;
    std::atomic<double> cpu{0};
    const double start = MonotonicSeconds();
    std::thread copier([&] {
        const double cpu0 = ThreadCpuSeconds();
        Copy(terminal.slave, file, kCpuSeconds, true);
        cpu = ThreadCpuSeconds() - cpu0;
    });
    for (int i = 0; i < kCpuSeconds; ++i) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        terminal.Send(std::string(kProbeLine) + "\r");
    }
    copier.join();
    return cpu / (MonotonicSeconds() - start) * 100;
}

}  // namespace

BenchTable MeasureCeilings(MachineCeilings& ceilings) {
    ScratchFolder folder;
    ceilings.appendLinesPerSecond = AppendLinesPerSecond(folder.path / "append.dat");
    ceilings.copyLinesPerSecond = CopyLinesPerSecond(folder.path / "copy.dat");
    ceilings.copyLatencyP99Ms = CopyLatencyP99Ms(folder.path);
    ceilings.copyCpuPercent = CopyCpuPercent(folder.path / "slow.dat");
    return {{"Ceiling: open, append one line, close (100,000 lines)",
             Format("%.0f lines/s", ceilings.appendLinesPerSecond), "1 x", "-"},
            {"Ceiling: pseudo-terminal to file copy (200,000 lines)",
             Format("%.0f lines/s", ceilings.copyLinesPerSecond), "1 x", "-"},
            {"Ceiling: pseudo-terminal to file copy, a line's write to the line in the file",
             Format("99th percentile %.3f ms", ceilings.copyLatencyP99Ms), "1 x", "-"},
            {"Ceiling: CPU of a copier of one line a second (append, sync, close each)",
             Format("%.4f %% of one core", ceilings.copyCpuPercent), "1 x", "-"}};
}
