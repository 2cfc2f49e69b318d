// How long the outbox uploader waits, and the back-off between failed rounds. The defaults are the
// program's; the tests shorten them.
#pragma once

#include <chrono>

struct UploadTiming {
    std::chrono::milliseconds firstRetry = std::chrono::seconds(10);
    std::chrono::milliseconds longestRetry = std::chrono::minutes(10);
    // The outbox is looked at this often even when nobody says a file has come.
    std::chrono::milliseconds outboxScan = std::chrono::minutes(1);
    std::chrono::seconds connectLimit{30};
    std::chrono::seconds stallLimit{60};  // a transfer that moves no byte for this long is given up
    std::chrono::seconds requestLimit{600};
};

// The wait after the given number of failed rounds in a row (1 after the first): doubling from the
// first retry up to the longest, which then holds for as long as failures go on.
std::chrono::milliseconds RetryDelay(const UploadTiming& timing, unsigned failuresInRow);
