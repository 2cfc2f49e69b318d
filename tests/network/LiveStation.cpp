// corvane-live-station: the real program, `corvane --start --headless`, logging the simulator with
// its health server on a free loopback port, for the status page's browser test. Prints
// "listening PORT" once records are logged; stops both when its standard input closes.
#include <QCoreApplication>
#include <cstdio>
#include <exception>

#include "CorvaneProcess.h"
#include "EventLoopWait.h"
#include "SimProcess.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    try {
        SimProcess sim({"--records", "DTY", "--averaging", "1"});
        CorvaneProcess corvane(sim);
        if (!WaitFor([&] { return corvane.LogLines().size() >= 3; }, 20000)) {
            std::fprintf(stderr, "corvane-live-station: nothing logged:\n%s", corvane.Output().c_str());
            return 1;
        }
        std::printf("listening %u\n", corvane.Port());
        std::fflush(stdout);
        while (std::fgetc(stdin) != EOF) {
        }
        return corvane.Stop() == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvane-live-station: %s\n", error.what());
        return 1;
    }
}
