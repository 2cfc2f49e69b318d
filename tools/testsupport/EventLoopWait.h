// WaitFor: runs the Qt event loop until a condition holds, for the end-to-end tests and the
// benchmark that drive the real main window.
#pragma once

#include <functional>

// Runs a plain event loop, as the program does, until the condition holds or timeoutMs have
// passed, checking it every checkMs. Events are handled as they come, with no pauses between
// passes (which would let the serial link's record queues fill up). True when the condition held.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000, int checkMs = 10);
