// Writing to standard error without ever stopping the program: used by the journal's echo and by the
// warnings of the libraries, whose standard error may be a closed pipe, a full one or a stopped terminal.
#pragma once

#include <string_view>

// Writes text to standard error when it can take it now. A closed pipe raises no SIGPIPE (which would
// end the program), and a pipe or terminal that cannot take more is skipped, not waited for.
void WriteToStandardError(std::string_view text);
