// The serial link's diagnostic trace: "COMM:" lines on standard error when CORVANE_TRACE is set.
#pragma once

// Formats one trace line (at most 1023 characters of text). Never changes the link's behaviour.
void TraceComm(const char* format, ...) __attribute__((format(printf, 1, 2)));
