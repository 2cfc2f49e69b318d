// FreeLoopbackPort: a TCP port on 127.0.0.1 that nothing listens on just now, for a server that a
// test or the benchmark starts and that needs its port named on its command line. Plain C++.
#pragma once

#include <cstdint>

// The port the kernel hands out for 127.0.0.1:0, released again at once. Throws std::runtime_error
// when no socket can be bound.
std::uint16_t FreeLoopbackPort();
