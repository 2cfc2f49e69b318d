// Names of the run states, as the journal, the metrics and the status page write them.
#include "run/RunStatus.h"

const char* RunStateName(RunState state) {
    switch (state) {
        case RunState::Idle:
            return "idle";
        case RunState::Starting:
            return "starting";
        case RunState::Running:
            return "running";
        case RunState::WaitingForInstrument:
            return "waiting_for_instrument";
        case RunState::Stopping:
            return "stopping";
    }
    return "idle";
}
