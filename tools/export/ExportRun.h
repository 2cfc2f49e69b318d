// corvane-export's work: the logs read line by line, the rows of the period collected, one file written per
// hour or day. Returns the exit status; messages go to the streams given.
#pragma once

#include <iosfwd>

#include "ExportOptions.h"

// 0 all went well, 1 lines were skipped, 2 the station file or the output folder stopped the export.
int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err);
