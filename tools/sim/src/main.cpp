// corvane-sim: the nephelometer simulator, on a pseudo-terminal the program opens as a Com port.
#include <signal.h>
#include <sys/signalfd.h>

#include <cstdio>
#include <random>

#include "sim/InstrumentModel.h"
#include "sim/PtyDevice.h"
#include "sim/SimLoop.h"
#include "sim/SimOptions.h"
#include "sim/Transcript.h"

int main(int argc, char** argv) {
    const SimOptionsResult parsed = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        std::fputs(SimHelpText().c_str(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "corvane-sim: %s\nTry corvane-sim --help\n", parsed.error.c_str());
        return 2;
    }
    const SimOptions& options = *parsed.options;

    // The signals arrive through a descriptor the loop polls, so the link is always removed. SIGUSR1
    // and SIGUSR2 make the instrument vanish and restart.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) sigaddset(&signals, number);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    signal(SIGPIPE, SIG_IGN);

    std::string error;
    Transcript transcript;
    PtyDevice device;
    if (signalFd < 0 || !transcript.Open(options.transcriptPath, error) ||
        !device.Open(options.deviceDir, options.port, options.baud, error)) {
        std::fprintf(stderr, "corvane-sim: %s\n", error.empty() ? "cannot watch for signals" : error.c_str());
        return 1;
    }
    std::printf("corvane-sim: run Corvane with CORVANE_DEVICE_DIR=%s; Ctrl+C ends the simulator\n",
                device.DeviceDir().c_str());
    std::fflush(stdout);

    const auto now = std::chrono::steady_clock::now();
    const std::int64_t clockStart = options.clockStart.value_or(LocalCalendarSecondsNow()) + options.clockOffset;
    InstrumentModel model(options.config, clockStart, options.ClockRate(), options.statusWord, now,
                          std::random_device{}());
    SimLoop loop(options, device, model, transcript, signalFd);
    const int exitCode = loop.Run();
    device.Close();
    return exitCode;
}
